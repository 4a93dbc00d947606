// SPDX-License-Identifier: MIT
#pragma once

// Decoded frames for showing, stepping and reverse play. Segments of frames are decoded once on
// a worker thread and kept under a memory budget that is never exceeded (room is made before a
// decode starts); while one segment is shown the next one in the direction of play is decoded.
// A request for another place cancels decoding that is no longer wanted.

#include "viewer/frame_source.h"
#include "viewer/segment_plan.h"
#include "viewer/video_index.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace korvel::viewer {

/// The default memory budget of decoded frames: 1 GiB.
inline constexpr std::size_t kDefaultFrameBudget = std::size_t(1) << 30;

class FrameCache {
  public:
    FrameCache(FrameSource& source, std::vector<GroupOfPictures> groups, std::int64_t frameCount,
               std::size_t budgetBytes = kDefaultFrameBudget);
    ~FrameCache();
    FrameCache(const FrameCache&) = delete;
    FrameCache& operator=(const FrameCache&) = delete;

    /// The frame, decoding it if needed (blocks), then starts decoding the next segment in
    /// `direction`. Null when `interrupt` is called meanwhile or the frame cannot be decoded.
    FramePtr frameAt(std::int64_t frame, int direction);
    /// Wakes every waiting `frameAt` with null and cancels decoding in progress.
    void interrupt();

    std::size_t budgetBytes() const { return m_budget; }
    std::size_t peakBytes() const;
    std::int64_t segmentFrames() const { return m_segmentFrames; }

  private:
    struct Cached {
        Segment segment;
        std::vector<FramePtr> frames;
        std::uint64_t lastUse = 0;
        /// Decoding has ended (frames arrive one by one while it runs).
        bool complete = false;
    };
    void run();
    void decodeJob(std::unique_lock<std::mutex>& lock, Segment job);
    bool makeRoom(std::size_t bytes);
    Cached* cachedHolding(std::int64_t frame);
    bool holds(std::int64_t frame) const;
    void request(const Segment& segment, std::int64_t keep);
    void prefetchAfter(const Segment& segment, int direction);
    std::size_t heldBytes() const;

    FrameSource& m_source;
    std::vector<GroupOfPictures> m_groups;
    std::vector<std::size_t> m_groupOfFrame;
    std::int64_t m_frameCount = 0;
    std::size_t m_budget = 0;
    std::size_t m_frameBytes = 1;
    std::int64_t m_segmentFrames = 1;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Cached> m_cached;
    std::optional<Segment> m_job;
    std::optional<Segment> m_inFlight;
    std::size_t m_inFlightFrames = 0;
    std::atomic<bool> m_cancel{false};
    std::int64_t m_current = -1;
    std::size_t m_reserved = 0;
    std::size_t m_peak = 0;
    std::uint64_t m_clock = 0;
    std::uint64_t m_generation = 0;
    bool m_quit = false;
    std::thread m_worker;
};

} // namespace korvel::viewer
