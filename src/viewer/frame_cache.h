// SPDX-License-Identifier: MIT
#pragma once

// Decoded frames for showing, stepping and reverse play. Segments of frames are decoded once on
// a worker thread and kept, in the decoder's own format, under a memory budget that is never
// exceeded (room is made before a decode starts); while one segment is shown the worker decodes
// ahead in the direction of play: the next segment, and more while fewer than
// kDecodeAheadFrames frames lie ahead. A request for another place cancels decoding that is no
// longer wanted. The frame asked for is made into a display picture on the asking thread.

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
/// Frames decoded ahead of the one on screen when groups are short (one frame for intra codecs),
/// so that steps and reverse play find them ready.
inline constexpr std::int64_t kDecodeAheadFrames = 8;

class FrameCache {
  public:
    FrameCache(FrameSource& source, std::vector<GroupOfPictures> groups, std::int64_t frameCount,
               std::size_t budgetBytes = kDefaultFrameBudget);
    ~FrameCache();
    FrameCache(const FrameCache&) = delete;
    FrameCache& operator=(const FrameCache&) = delete;

    /// The frame's display picture, decoding it if needed (blocks), then decodes ahead in
    /// `direction`. Null when `interrupt` is called meanwhile or the frame cannot be decoded.
    FramePtr frameAt(std::int64_t frame, int direction);
    /// Wakes every waiting `frameAt` with null. Decoding goes on: what it makes is ahead of the
    /// frame on screen, and a request elsewhere cancels it.
    void interrupt();

    std::size_t budgetBytes() const { return m_budget; }
    std::size_t peakBytes() const;
    std::int64_t segmentFrames() const { return m_segmentFrames; }

  private:
    struct Cached {
        Segment segment;
        std::vector<DecodedFrame> frames;
        std::size_t bytes = 0;
        std::uint64_t lastUse = 0;
        /// Decoding has ended (frames arrive one by one while it runs).
        bool complete = false;
    };
    /// What lies ahead of the frame on screen within reach of decoding ahead.
    struct Ahead {
        std::optional<Segment> missing; // the nearest segment to decode, if room can be made
        bool reachesInFlight = false;
    };
    void run();
    void decodeJob(std::unique_lock<std::mutex>& lock, Segment job, bool ahead);
    bool evictable(const Cached& cached, const Segment& job, bool ahead) const;
    bool roomFor(const Segment& job, bool ahead) const;
    bool makeRoom(const Segment& job, bool ahead);
    const Cached* cachedHolding(std::int64_t frame) const;
    Cached* cachedHolding(std::int64_t frame);
    Segment plan(std::int64_t frame, int direction) const;
    Ahead lookAhead() const;
    void request(const Segment& segment, std::int64_t keep);
    void dropStaleDecoding(std::int64_t wanted);
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
    std::atomic<bool> m_cancel{false};
    std::int64_t m_current = -1;
    int m_direction = 1;
    std::size_t m_reserved = 0;
    std::size_t m_peak = 0;
    std::uint64_t m_clock = 0;
    std::uint64_t m_generation = 0;
    bool m_quit = false;
    std::thread m_worker;
};

} // namespace korvel::viewer
