// SPDX-License-Identifier: MIT
#pragma once

// The running readout during play: a thread that twenty times a second works out the timecode
// from the movie's clock and hands the text and the slider position to the display's thread.
//
// The handshake of the play actions is kept: `stop` clears "read now"; `startUnlessBusy` sets it
// and starts a poller only when none is inside its first pass. The two flags are atomics, and a
// generation number makes sure that a poller left over from an earlier start ends, and that a
// reading posted before a stop is dropped instead of overwriting the exact readout.

#include "viewer/player.h"
#include "viewer/timecode_track_reader.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace korvel::viewer {

/// Runs a function on the display's thread (later, in order).
using PostToDisplay = std::function<void(std::function<void()>)>;
/// The timecode at a time of the movie, or nothing where there is none.
using TimecodeSource = std::function<std::optional<TimecodeAtTime>(MediaTime)>;

struct PollerReading {
    std::string readout;
    std::int64_t sliderValue = 0;
};

class TimecodePoller {
  public:
    using Show = std::function<void(const PollerReading&)>;

    explicit TimecodePoller(PostToDisplay post) : m_post(std::move(post)) {}
    ~TimecodePoller() { stopAndJoin(); }
    TimecodePoller(const TimecodePoller&) = delete;
    TimecodePoller& operator=(const TimecodePoller&) = delete;

    /// "read now" = false: the running poller ends at its next loop test; readings it posted
    /// and not yet shown are dropped.
    void stop();
    /// "read now" = true; starts a poller unless one is still in its first pass.
    void startUnlessBusy(const Player& player, TimecodeSource source, Show show);
    /// Stops and waits until no poller runs (before the movie it reads is replaced).
    void stopAndJoin();

    bool readNow() const { return m_readNow; }
    bool busy() const { return m_busy; }
    /// Pollers whose loop is still running.
    int running() const { return m_running; }

  private:
    void run(std::uint64_t generation, const Player& player, TimecodeSource source, Show show);
    bool current(std::uint64_t generation) const { return m_readNow && m_generation == generation; }

    PostToDisplay m_post;
    std::atomic<bool> m_readNow{false};
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_running{0};
    std::atomic<std::uint64_t> m_generation{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::thread> m_threads;
};

} // namespace korvel::viewer
