// SPDX-License-Identifier: MIT
#pragma once

// The frames a player moves through: the video track's frames, or for a movie without video a
// steady grid of frames (so stepping and the readout work on sound).

#include "viewer/video_index.h"

#include <cstdint>

namespace korvel::viewer {

class FrameClock {
  public:
    /// The frames of a video track.
    explicit FrameClock(const VideoIndex& video);
    /// `count` frames of `frameDuration` units of `scale`.
    FrameClock(std::int64_t count, std::int64_t frameDuration, std::int32_t scale);

    std::int64_t count() const { return m_count; }
    std::int32_t scale() const { return m_scale; }
    std::int64_t start(std::int64_t frame) const;
    std::int64_t duration(std::int64_t frame) const;
    /// The frame shown at a time in this clock's scale, clamped to the frames.
    std::int64_t frameAt(std::int64_t time) const;

  private:
    const VideoIndex* m_video = nullptr;
    std::int64_t m_count = 0;
    std::int64_t m_frameDuration = 1;
    std::int32_t m_scale = 1;
};

} // namespace korvel::viewer
