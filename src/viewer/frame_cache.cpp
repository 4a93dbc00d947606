// SPDX-License-Identifier: MIT
#include "viewer/frame_cache.h"

#include <algorithm>

namespace korvel::viewer {

FrameCache::FrameCache(FrameSource& source, std::vector<GroupOfPictures> groups,
                       std::int64_t frameCount, std::size_t budgetBytes)
    : m_source(source), m_groups(std::move(groups)), m_frameCount(frameCount),
      m_budget(budgetBytes), m_frameBytes(std::max<std::size_t>(1, source.frameBytes())) {
    // Two segments must fit: the one shown and the one decoded ahead of it.
    m_segmentFrames = std::max<std::int64_t>(1, std::int64_t(m_budget / m_frameBytes / 2));
    m_groupOfFrame.assign(std::size_t(std::max<std::int64_t>(0, frameCount)), 0);
    for (std::size_t g = 0; g < m_groups.size(); ++g)
        for (auto f = std::max<std::int64_t>(0, m_groups[g].firstFrame);
             f <= m_groups[g].lastFrame && f < frameCount; ++f)
            m_groupOfFrame[std::size_t(f)] = g;
    m_worker = std::thread([this] { run(); });
}

FrameCache::~FrameCache() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_cancel = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

std::size_t FrameCache::heldBytes() const {
    std::size_t frames = 0;
    for (const auto& c : m_cached)
        if (c.complete)
            frames += c.frames.size();
    // Frames arriving for the segment in decoding are inside its reservation.
    return frames * m_frameBytes + m_reserved;
}

std::size_t FrameCache::peakBytes() const {
    std::lock_guard lock(m_mutex);
    return m_peak;
}

FrameCache::Cached* FrameCache::cachedHolding(std::int64_t frame) {
    for (auto& c : m_cached)
        if (c.segment.contains(frame))
            return &c;
    return nullptr;
}

bool FrameCache::makeRoom(std::size_t bytes) {
    while (heldBytes() + bytes > m_budget) {
        auto victim = m_cached.end();
        for (auto it = m_cached.begin(); it != m_cached.end(); ++it)
            if (it->complete && !it->segment.contains(m_current) &&
                (victim == m_cached.end() || it->lastUse < victim->lastUse))
                victim = it;
        if (victim == m_cached.end())
            return false;
        m_cached.erase(victim);
    }
    return true;
}

void FrameCache::run() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_quit || m_job; });
        if (m_quit)
            return;
        const Segment job = *m_job;
        m_job.reset();
        decodeJob(lock, job);
        m_changed.notify_all();
    }
}

void FrameCache::decodeJob(std::unique_lock<std::mutex>& lock, Segment job) {
    if (cachedHolding(job.first) && cachedHolding(job.last))
        return;
    const std::size_t bytes = std::size_t(job.size()) * m_frameBytes;
    if (!makeRoom(bytes))
        return;
    m_inFlight = job;
    m_cancel = false;
    m_reserved = bytes;
    m_peak = std::max(m_peak, heldBytes());
    m_cached.push_back({job, {}, ++m_clock, false});
    auto entry = [this, job] {
        return std::find_if(m_cached.begin(), m_cached.end(),
                            [&](const Cached& c) { return c.segment == job; });
    };
    lock.unlock();
    m_source.decode(job.first, job.last, m_cancel, [&](FramePtr frame) {
        std::lock_guard guard(m_mutex);
        entry()->frames.push_back(std::move(frame));
        m_changed.notify_all();
    });
    lock.lock();
    m_reserved = 0;
    if (m_cancel) {
        m_cached.erase(entry());
    } else {
        entry()->complete = true;
    }
    m_inFlight.reset();
}

void FrameCache::request(const Segment& segment, std::int64_t keep) {
    // Decoding that holds neither the frame still wanted nor the new segment is stale.
    if (m_inFlight && !(*m_inFlight == segment) && !m_inFlight->contains(keep))
        m_cancel = true;
    m_job = segment;
    m_changed.notify_all();
}

void FrameCache::prefetchAfter(const Segment& segment, int direction) {
    const auto next = frameAfter(segment, direction, m_frameCount);
    if (!next || cachedHolding(*next))
        return;
    const Segment wanted = planSegment(m_groups[m_groupOfFrame[std::size_t(*next)]], *next,
                                       direction, m_segmentFrames);
    if (m_job && *m_job == wanted)
        return;
    request(wanted, m_current);
}

FramePtr FrameCache::frameAt(std::int64_t frame, int direction) {
    if (frame < 0 || frame >= m_frameCount || m_groups.empty())
        return nullptr;
    std::unique_lock lock(m_mutex);
    const std::uint64_t generation = m_generation;
    bool asked = false;
    while (m_generation == generation) {
        if (auto* cached = cachedHolding(frame)) {
            const auto it = std::find_if(cached->frames.begin(), cached->frames.end(),
                                         [frame](const FramePtr& f) { return f->index == frame; });
            if (it != cached->frames.end() || cached->complete) {
                cached->lastUse = ++m_clock;
                m_current = frame;
                FramePtr found = it == cached->frames.end() ? nullptr : *it;
                prefetchAfter(cached->segment, direction);
                return found;
            }
        } else if (!(m_job && m_job->contains(frame))) {
            // A request that was decoded but evicted or cancelled is not asked for twice.
            if (asked)
                return nullptr;
            request(planSegment(m_groups[m_groupOfFrame[std::size_t(frame)]], frame, direction,
                                m_segmentFrames),
                    frame);
            asked = true;
        }
        m_changed.wait(lock);
    }
    return nullptr;
}

void FrameCache::interrupt() {
    {
        std::lock_guard lock(m_mutex);
        ++m_generation;
        m_cancel = true;
        m_job.reset();
    }
    m_changed.notify_all();
}

} // namespace korvel::viewer
