// SPDX-License-Identifier: MIT
#include "viewer/movie_player.h"

#include <cstdlib>

namespace korvel::viewer {

MoviePlayer::MoviePlayer(MovieTimeline timeline, FrameClock clock,
                         std::unique_ptr<VideoIndex> video, std::unique_ptr<FrameSource> source,
                         FrameSink sink, std::size_t frameBudget)
    : m_timeline(timeline), m_video(std::move(video)), m_clock(clock), m_source(std::move(source)),
      m_sink(std::move(sink)) {
    if (m_video && m_source)
        m_cache = std::make_unique<FrameCache>(*m_source, m_video->groups(), m_video->frameCount(),
                                               frameBudget);
    if (m_clock.count() > 0)
        show(0, 1);
}

MoviePlayer::~MoviePlayer() {
    stop();
    m_cache.reset(); // joins the decoding thread before the source goes
}

void MoviePlayer::show(std::int64_t frame, int direction) {
    if (m_cache) {
        if (auto picture = m_cache->frameAt(frame, direction)) {
            m_frame = frame;
            if (m_sink)
                m_sink(std::move(picture));
        }
        return;
    }
    m_frame = frame;
}

void MoviePlayer::playLoop(int direction) {
    m_playClock->restart();
    const std::int64_t firstFrame = m_frame;
    const std::int64_t firstStart = m_clock.start(firstFrame);
    for (std::int64_t next = firstFrame + direction;
         !m_stopRequested && next >= 0 && next < m_clock.count(); next += direction) {
        FramePtr picture = m_cache ? m_cache->frameAt(next, direction) : nullptr;
        if (m_stopRequested || (m_cache && !picture))
            break;
        if (m_paced) {
            // Shown when its start is due, counted from where play began, in either direction.
            const std::int64_t units = std::abs(m_clock.start(next) - firstStart);
            if (!m_playClock->waitUntil(Micros(rescale(units, m_clock.scale(), 1000000)),
                                        m_stopRequested))
                break;
        }
        m_frame = next;
        if (picture && m_sink)
            m_sink(std::move(picture));
    }
    m_playing = false;
}

void MoviePlayer::play(int direction) {
    stop();
    if (m_clock.count() == 0)
        return;
    m_stopRequested = false;
    m_playing = true;
    m_listening = true;
    if (m_listener)
        m_listener->playStarted(direction, MediaTime{m_clock.start(m_frame), m_clock.scale()});
    m_playThread = std::thread([this, direction] { playLoop(direction < 0 ? -1 : 1); });
}

void MoviePlayer::waitUntilStopped() {
    if (m_playThread.joinable())
        m_playThread.join();
}

void MoviePlayer::stop() {
    m_stopRequested = true;
    if (m_cache)
        m_cache->interrupt();
    if (m_playThread.joinable())
        m_playThread.join();
    m_playing = false;
    if (m_listening.exchange(false) && m_listener)
        m_listener->playStopped();
}

void MoviePlayer::step(int direction) {
    stop();
    const std::int64_t target = m_frame + (direction < 0 ? -1 : 1);
    if (target >= 0 && target < m_clock.count())
        show(target, direction);
}

void MoviePlayer::goToStart() {
    stop();
    if (m_clock.count() > 0)
        show(0, 1);
}

void MoviePlayer::goToEnd() {
    stop();
    if (m_clock.count() > 0)
        show(m_clock.count() - 1, -1);
}

void MoviePlayer::goToFrame(std::int64_t frame) {
    stop();
    if (frame >= 0 && frame < m_clock.count())
        show(frame, frame >= m_frame ? 1 : -1);
}

void MoviePlayer::seek(std::int64_t movieTime) {
    stop();
    if (m_clock.count() == 0)
        return;
    const std::int64_t frame =
        m_clock.frameAt(rescale(movieTime, m_timeline.timeScale, m_clock.scale()));
    show(frame, frame >= m_frame ? 1 : -1);
}

std::int64_t MoviePlayer::currentTime() const {
    if (m_clock.count() == 0)
        return 0;
    return rescale(m_clock.start(m_frame), m_clock.scale(), m_timeline.timeScale);
}

MediaTime MoviePlayer::currentFrameMiddle() const {
    if (m_clock.count() == 0)
        return {};
    const std::int64_t frame = m_frame;
    const std::int64_t scale = std::int64_t(m_clock.scale()) * 2;
    return {m_clock.start(frame) * 2 + m_clock.duration(frame),
            std::int32_t(std::min<std::int64_t>(scale, INT32_MAX))};
}

} // namespace korvel::viewer
