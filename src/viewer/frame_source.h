// SPDX-License-Identifier: MIT
#pragma once

#include "viewer/frame.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvel::viewer {

/// Decodes pictures. Implemented over FFmpeg for movies and by fakes in tests.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    /// Decodes from the key frame of the group holding `first` and answers frames first..last
    /// (all in that group) in showing order. Stops early, answering what it has, once `cancel`
    /// is set.
    virtual std::vector<FramePtr> decode(std::int64_t first, std::int64_t last, const std::atomic<bool>& cancel) = 0;
    /// Memory one decoded frame holds.
    virtual std::size_t frameBytes() const = 0;
    /// Pictures decoded so far, kept or not.
    virtual std::int64_t decodedPictures() const = 0;
};

} // namespace korvel::viewer
