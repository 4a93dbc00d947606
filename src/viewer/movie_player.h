// SPDX-License-Identifier: MIT
#pragma once

// The player of one loaded movie: a play thread moves through the frames at the frame rate
// (forward or reverse), taking pictures from the frame cache and handing them to the sink.

#include "viewer/frame_cache.h"
#include "viewer/frame_clock.h"
#include "viewer/play_clock.h"
#include "viewer/player.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace korvel::viewer {

/// Told when play starts and stops, so that sound can follow the pictures.
class PlaybackListener {
  public:
    virtual ~PlaybackListener() = default;
    /// `from`: the start of the frame on screen when play begins.
    virtual void playStarted(int direction, MediaTime from) = 0;
    virtual void playStopped() = 0;
};

struct MovieTimeline {
    std::int32_t timeScale = 600;
    std::int64_t duration = 0;
};

class MoviePlayer final : public Player {
  public:
    /// A player of video frames (`video` and `source` set) or of a sound-only grid (`clock`).
    MoviePlayer(MovieTimeline timeline, FrameClock clock, std::unique_ptr<VideoIndex> video,
                std::unique_ptr<FrameSource> source, FrameSink sink,
                std::size_t frameBudget = kDefaultFrameBudget);
    ~MoviePlayer() override;

    void play(int direction) override;
    void stop() override;
    void step(int direction) override;
    void goToStart() override;
    void goToEnd() override;
    void seek(std::int64_t movieTime) override;
    std::int64_t currentTime() const override;
    MediaTime currentFrameMiddle() const override;
    std::int64_t duration() const override { return m_timeline.duration; }
    std::int32_t timeScale() const override { return m_timeline.timeScale; }
    bool playing() const override { return m_playing; }

    /// Play shows every frame as fast as it can be decoded instead of keeping time (measuring).
    void setPaced(bool paced) { m_paced = paced; }
    void setListener(PlaybackListener* listener) { m_listener = listener; }
    /// The clock play keeps time by (by default the steady clock); set while stopped.
    void setPlayClock(std::shared_ptr<PlayClock> clock) { m_playClock = std::move(clock); }
    /// Blocks until play stops by itself at either end of the movie.
    void waitUntilStopped();
    std::int64_t currentFrame() const { return m_frame; }
    /// Stops and shows a frame by its place in showing order.
    void goToFrame(std::int64_t frame);
    const FrameClock& clock() const { return m_clock; }
    const VideoIndex* video() const { return m_video.get(); }
    const FrameCache* cache() const { return m_cache.get(); }
    const FrameSource* source() const { return m_source.get(); }

  private:
    void show(std::int64_t frame, int direction);
    void playLoop(int direction);

    MovieTimeline m_timeline;
    std::unique_ptr<VideoIndex> m_video;
    FrameClock m_clock;
    std::unique_ptr<FrameSource> m_source;
    std::unique_ptr<FrameCache> m_cache;
    FrameSink m_sink;
    PlaybackListener* m_listener = nullptr;
    std::shared_ptr<PlayClock> m_playClock = std::make_shared<PlayClock>();
    std::atomic<std::int64_t> m_frame{0};
    std::atomic<bool> m_playing{false};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_listening{false};
    std::atomic<bool> m_paced{true};
    std::thread m_playThread;
};

} // namespace korvel::viewer
