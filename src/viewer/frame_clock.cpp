// SPDX-License-Identifier: MIT
#include "viewer/frame_clock.h"

#include <algorithm>

namespace korvel::viewer {

FrameClock::FrameClock(const VideoIndex& video)
    : m_video(&video), m_count(video.frameCount()), m_scale(video.timeScale()) {}

FrameClock::FrameClock(std::int64_t count, std::int64_t frameDuration, std::int32_t scale)
    : m_count(std::max<std::int64_t>(0, count)),
      m_frameDuration(std::max<std::int64_t>(1, frameDuration)), m_scale(std::max(1, scale)) {}

std::int64_t FrameClock::start(std::int64_t frame) const {
    return m_video ? m_video->frame(frame).start : frame * m_frameDuration;
}

std::int64_t FrameClock::duration(std::int64_t frame) const {
    return m_video ? m_video->frame(frame).duration : m_frameDuration;
}

std::int64_t FrameClock::frameAt(std::int64_t time) const {
    if (m_count == 0)
        return 0;
    const std::int64_t frame = m_video ? m_video->frameAt(time) : time / m_frameDuration;
    return std::clamp<std::int64_t>(frame, 0, m_count - 1);
}

} // namespace korvel::viewer
