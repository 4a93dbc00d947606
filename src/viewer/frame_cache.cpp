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
    std::size_t held = 0;
    for (const auto& c : m_cached)
        held += c.complete ? c.bytes : std::max(c.bytes, m_reserved);
    return held;
}

std::size_t FrameCache::peakBytes() const {
    std::lock_guard lock(m_mutex);
    return m_peak;
}

const FrameCache::Cached* FrameCache::cachedHolding(std::int64_t frame) const {
    for (const auto& c : m_cached)
        if (c.segment.contains(frame))
            return &c;
    return nullptr;
}

FrameCache::Cached* FrameCache::cachedHolding(std::int64_t frame) {
    return const_cast<Cached*>(std::as_const(*this).cachedHolding(frame));
}

Segment FrameCache::plan(std::int64_t frame, int direction) const {
    return planSegment(m_groups[m_groupOfFrame[std::size_t(frame)]], frame, direction,
                       m_segmentFrames);
}

// A finished segment away from the frame on screen may go. Decoding ahead also keeps what lies
// between that frame and the job, or it would throw away what it decoded a moment before.
bool FrameCache::evictable(const Cached& cached, const Segment& job, bool ahead) const {
    if (!cached.complete || cached.segment.contains(m_current))
        return false;
    if (!ahead)
        return true;
    const std::int64_t from = std::min(m_current, job.first);
    const std::int64_t to = std::max(m_current, job.last);
    return cached.segment.last < from || cached.segment.first > to;
}

bool FrameCache::roomFor(const Segment& job, bool ahead) const {
    std::size_t freeable = 0;
    for (const auto& c : m_cached)
        if (evictable(c, job, ahead))
            freeable += c.bytes;
    return heldBytes() - freeable + std::size_t(job.size()) * m_frameBytes <= m_budget;
}

bool FrameCache::makeRoom(const Segment& job, bool ahead) {
    const std::size_t bytes = std::size_t(job.size()) * m_frameBytes;
    while (heldBytes() + bytes > m_budget) {
        auto victim = m_cached.end();
        for (auto it = m_cached.begin(); it != m_cached.end(); ++it)
            if (evictable(*it, job, ahead) &&
                (victim == m_cached.end() || it->lastUse < victim->lastUse))
                victim = it;
        if (victim == m_cached.end())
            return false;
        m_cached.erase(victim);
    }
    return true;
}

FrameCache::Ahead FrameCache::lookAhead() const {
    Ahead ahead;
    const Cached* at = m_current >= 0 ? cachedHolding(m_current) : nullptr;
    if (!at)
        return ahead; // the frame on screen's own request comes first
    Segment segment = at->segment;
    for (std::int64_t framesAhead = 0;;) {
        const auto next = frameAfter(segment, m_direction, m_frameCount);
        if (!next)
            return ahead;
        at = cachedHolding(*next);
        if (!at) {
            const Segment wanted = plan(*next, m_direction);
            if (roomFor(wanted, true))
                ahead.missing = wanted;
            return ahead;
        }
        segment = at->segment;
        ahead.reachesInFlight = ahead.reachesInFlight || (m_inFlight && *m_inFlight == segment);
        framesAhead += segment.size();
        if (framesAhead >= kDecodeAheadFrames)
            return ahead;
    }
}

void FrameCache::run() {
    std::unique_lock lock(m_mutex);
    while (true) {
        std::optional<Segment> ahead;
        m_changed.wait(lock, [&] {
            if (m_quit || m_job)
                return true;
            ahead = lookAhead().missing;
            return ahead.has_value();
        });
        if (m_quit)
            return;
        if (m_job) {
            const Segment job = *m_job;
            m_job.reset();
            decodeJob(lock, job, false);
        } else {
            decodeJob(lock, *ahead, true);
        }
        m_changed.notify_all();
    }
}

void FrameCache::decodeJob(std::unique_lock<std::mutex>& lock, Segment job, bool ahead) {
    if (cachedHolding(job.first) && cachedHolding(job.last))
        return;
    if (!makeRoom(job, ahead))
        return;
    m_inFlight = job;
    m_cancel = false;
    m_reserved = std::size_t(job.size()) * m_frameBytes;
    m_cached.push_back({job, {}, 0, ++m_clock, false});
    m_peak = std::max(m_peak, heldBytes());
    auto entry = [this, job] {
        return std::find_if(m_cached.begin(), m_cached.end(),
                            [&](const Cached& c) { return c.segment == job; });
    };
    lock.unlock();
    m_source.decode(job.first, job.last, m_cancel, [&](DecodedFrame frame) {
        std::lock_guard guard(m_mutex);
        const auto it = entry();
        it->bytes += frame.bytes;
        it->frames.push_back(std::move(frame));
        m_peak = std::max(m_peak, heldBytes());
        m_changed.notify_all();
    });
    lock.lock();
    m_reserved = 0;
    if (m_cancel)
        m_cached.erase(entry());
    else
        entry()->complete = true;
    m_inFlight.reset();
}

void FrameCache::request(const Segment& segment, std::int64_t keep) {
    // Decoding that holds neither the frame still wanted nor the new segment is stale.
    if (m_inFlight && !(*m_inFlight == segment) && !m_inFlight->contains(keep))
        m_cancel = true;
    m_job = segment;
    m_changed.notify_all();
}

void FrameCache::dropStaleDecoding(std::int64_t wanted) {
    if (m_inFlight && !m_inFlight->contains(wanted) && !lookAhead().reachesInFlight)
        m_cancel = true;
}

FramePtr FrameCache::frameAt(std::int64_t frame, int direction) {
    if (frame < 0 || frame >= m_frameCount || m_groups.empty())
        return nullptr;
    std::unique_lock lock(m_mutex);
    const std::uint64_t generation = m_generation;
    bool asked = false;
    while (m_generation == generation) {
        if (auto* cached = cachedHolding(frame)) {
            const auto it =
                std::find_if(cached->frames.begin(), cached->frames.end(),
                             [frame](const DecodedFrame& f) { return f.index == frame; });
            if (it != cached->frames.end() || cached->complete) {
                cached->lastUse = ++m_clock;
                m_current = frame;
                m_direction = direction < 0 ? -1 : 1;
                dropStaleDecoding(frame);
                m_changed.notify_all(); // the worker decodes ahead
                if (it == cached->frames.end())
                    return nullptr;
                const DecodedFrame found = *it;
                lock.unlock();
                return m_source.present(found);
            }
        } else if (!(m_job && m_job->contains(frame))) {
            // A request that was decoded but evicted or cancelled is not asked for twice.
            if (asked)
                return nullptr;
            // The frame asked for is the one to keep and to decode ahead from, or decoding ahead
            // of the old place could throw its segment away before it is read.
            m_current = frame;
            m_direction = direction < 0 ? -1 : 1;
            request(plan(frame, direction), frame);
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
    }
    m_changed.notify_all();
}

} // namespace korvel::viewer
