// SPDX-License-Identifier: MIT
#pragma once

// Decoded pictures in any of FFmpeg's pixel formats made into the display's BGRA. Only the frame
// about to be shown is converted, on the thread that shows it, so decoding never waits for it.

#include "viewer/frame.h"

#include <memory>
#include <mutex>
#include <vector>

struct AVFrame;
struct SwsContext;

namespace korvel::viewer {

class BgraConverter {
  public:
    BgraConverter() = default;
    ~BgraConverter();
    BgraConverter(const BgraConverter&) = delete;
    BgraConverter& operator=(const BgraConverter&) = delete;

    /// The picture as BGRA, or null when libswscale cannot convert its format. Thread-safe.
    FramePtr convert(const AVFrame& picture, std::int64_t index);

  private:
    /// Pixel buffers of frames the display has let go, used again: a fresh 8 MB buffer costs
    /// its zero fill and a page fault per page, more than the conversion itself.
    struct BufferPool {
        std::mutex mutex;
        std::vector<std::vector<std::uint8_t>> free;
    };
    std::vector<std::uint8_t> takeBuffer(std::size_t bytes);

    std::mutex m_mutex;
    SwsContext* m_scaler = nullptr;
    std::shared_ptr<BufferPool> m_pool = std::make_shared<BufferPool>();
};

} // namespace korvel::viewer
