// SPDX-License-Identifier: MIT
#pragma once

#include "viewer/frame.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace korvel::viewer {

/// Decodes pictures. Implemented over FFmpeg for movies and by fakes in tests.
class FrameSource {
  public:
    virtual ~FrameSource() = default;
    using Deliver = std::function<void(DecodedFrame)>;
    /// Decodes from the key frame of the group holding `first` and delivers frames first..last
    /// (all in that group) as they come out of the decoder. Stops early once `cancel` is set.
    virtual void decode(std::int64_t first, std::int64_t last, const std::atomic<bool>& cancel,
                        const Deliver& deliver) = 0;
    /// The display picture of a decoded frame. Called on the thread that shows it, at the same
    /// time as `decode` runs on another.
    virtual FramePtr present(const DecodedFrame& frame) = 0;
    /// The most memory one decoded frame holds.
    virtual std::size_t frameBytes() const = 0;
    /// Pictures decoded so far, kept or not.
    virtual std::int64_t decodedPictures() const = 0;
};

} // namespace korvel::viewer
