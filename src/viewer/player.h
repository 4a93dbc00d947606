// SPDX-License-Identifier: MIT
#pragma once

// What the viewer asks of the engine that shows a movie: the transport operations and the
// position of the frame on screen. Pictures reach the display through a sink that may be called
// from a decoding thread; the sink hands them over to the thread that owns the display.

#include "viewer/frame.h"
#include "viewer/media_time.h"

#include <cstdint>
#include <functional>

namespace korvel::viewer {

using FrameSink = std::function<void(FramePtr)>;

class Player {
  public:
    virtual ~Player() = default;
    /// Starts play at rate +1.0 (direction 1) or -1.0 (direction -1); returns at once.
    virtual void play(int direction) = 0;
    /// Stops play; the frame on screen stays and the position is that frame's.
    virtual void stop() = 0;
    /// One frame forward (1) or back (-1), shown before it returns.
    virtual void step(int direction) = 0;
    virtual void goToStart() = 0;
    virtual void goToEnd() = 0;
    /// Shows the frame at a movie time (movie time units).
    virtual void seek(std::int64_t movieTime) = 0;
    /// The movie time of the frame on screen; safe from any thread.
    virtual std::int64_t currentTime() const = 0;
    /// The middle of the frame on screen, exactly, for reading its timecode; safe from any thread.
    virtual MediaTime currentFrameMiddle() const = 0;
    virtual std::int64_t duration() const = 0;
    virtual std::int32_t timeScale() const = 0;
    virtual bool playing() const = 0;
};

} // namespace korvel::viewer
