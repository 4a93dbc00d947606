// SPDX-License-Identifier: MIT
#pragma once

// Decoded pictures in any of FFmpeg's pixel formats made into the display's BGRA. Only the frame
// about to be shown is converted, on the thread that shows it, so decoding never waits for it.

#include "viewer/frame.h"

#include <mutex>

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
    std::mutex m_mutex;
    SwsContext* m_scaler = nullptr;
};

} // namespace korvel::viewer
