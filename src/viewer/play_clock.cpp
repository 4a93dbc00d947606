// SPDX-License-Identifier: MIT
#include "viewer/play_clock.h"

#include <algorithm>
#include <thread>

namespace korvel::viewer {
namespace {

// The longest single wait: a stop, or a sound position that moved, is seen this soon.
constexpr Micros kLongestWait{5000};

class SteadyTime final : public TimeSource {
  public:
    Micros now() const override {
        return std::chrono::duration_cast<Micros>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
    void sleepFor(Micros duration) override { std::this_thread::sleep_for(duration); }
};

} // namespace

TimeSource& steadyTime() {
    static SteadyTime time;
    return time;
}

PlayClock::PlayClock(TimeSource& time, SoundPosition sound)
    : m_time(time), m_sound(std::move(sound)) {}

void PlayClock::restart() {
    m_start = m_time.now();
    m_soundPosition.reset();
}

Micros PlayClock::elapsed() {
    const Micros now = m_time.now();
    if (m_sound) {
        const auto heard = m_sound();
        if (heard && heard != m_soundPosition) {
            m_soundPosition = heard;
            m_soundPositionSince = now;
        }
    }
    if (m_soundPosition)
        return *m_soundPosition + (now - m_soundPositionSince);
    return now - m_start;
}

bool PlayClock::waitUntil(Micros target, const std::atomic<bool>& stop) {
    while (!stop) {
        const Micros left = target - elapsed();
        if (left <= Micros::zero())
            return true;
        m_time.sleepFor(std::min(left, kLongestWait));
    }
    return false;
}

} // namespace korvel::viewer
