// SPDX-License-Identifier: MIT
#include "viewer/timecode_poller.h"

#include "viewer/timecode_readout.h"

#include <chrono>

namespace korvel::viewer {

void TimecodePoller::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_readNow = false;
    }
    m_wake.notify_all();
}

void TimecodePoller::stopAndJoin() {
    stop();
    ++m_generation;
    for (auto& t : m_threads)
        t.join();
    m_threads.clear();
}

void TimecodePoller::startUnlessBusy(const Player& player, TimecodeSource source, Show show) {
    m_readNow = true;
    if (m_busy)
        return;
    // Ends every earlier poller at once; only the new one may post.
    const std::uint64_t generation = ++m_generation;
    m_wake.notify_all();
    for (auto& t : m_threads)
        t.join();
    m_threads.clear();
    m_busy = true;
    m_threads.emplace_back([this, generation, &player, source = std::move(source),
                            show = std::move(show)] { run(generation, player, source, show); });
}

void TimecodePoller::run(std::uint64_t generation, const Player& player, TimecodeSource source,
                         Show show) {
    ++m_running;
    std::string text = kNoTimecode;
    const std::int32_t movieTimeScale = player.timeScale();
    const auto start = source ? source(player.currentFrameMiddle()) : std::nullopt;
    const std::int64_t startTime = player.currentTime();
    while (current(generation)) {
        const std::int64_t now = player.currentTime();
        if (start)
            if (const auto frame = runningFrame(start->frameNumber, now - startTime, movieTimeScale,
                                                start->definition))
                if (auto readout = readoutText(*frame, start->definition))
                    text = std::move(*readout);
        m_post([this, generation, show, reading = PollerReading{text, now}] {
            if (current(generation))
                show(reading);
        });
        m_busy = false;
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(50), [&] { return !current(generation); });
    }
    m_busy = false;
    --m_running;
}

} // namespace korvel::viewer
