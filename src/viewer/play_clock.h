// SPDX-License-Identifier: MIT
#pragma once

// The clock that paces play. Without sound it is the steady clock. While sound plays, the time
// the sound device has played is the clock: no device runs at exactly its nominal rate, so
// pictures paced by the steady clock would drift away from the sound over a long play. Between
// the device's position updates, and after its sound has ended, the clock runs on from the last
// position by the steady clock.

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

namespace korvel::viewer {

using Micros = std::chrono::microseconds;

/// Where the clock reads the time and how it waits (tests drive a time of their own).
class TimeSource {
  public:
    virtual ~TimeSource() = default;
    virtual Micros now() const = 0;
    virtual void sleepFor(Micros duration) = 0;
};

/// The machine's steady clock.
TimeSource& steadyTime();

/// The sound heard since play began, as the sound device counts it; nothing while none plays.
using SoundPosition = std::function<std::optional<Micros>()>;

class PlayClock {
  public:
    explicit PlayClock(TimeSource& time = steadyTime(), SoundPosition sound = {});

    /// Play begins now: the time played counts from here.
    void restart();
    /// The time played since `restart`.
    Micros elapsed();
    /// Waits until `target` of play has passed; false when `stop` was set first.
    bool waitUntil(Micros target, const std::atomic<bool>& stop);

  private:
    TimeSource& m_time;
    SoundPosition m_sound;
    Micros m_start{};
    /// The last position the sound reported, and when it changed to it.
    std::optional<Micros> m_soundPosition;
    Micros m_soundPositionSince{};
};

} // namespace korvel::viewer
