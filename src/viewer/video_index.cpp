// SPDX-License-Identifier: MIT
#include "viewer/video_index.h"

#include <algorithm>
#include <numeric>

namespace korvel::viewer {

Result<std::optional<VideoIndex>> VideoIndex::read(const qtff::Movie& movie) {
    const qtff::Atom* chosen = nullptr;
    for (const auto* trak : movie.trackAtoms()) {
        if (qtff::trackHandlerType(*trak) != qtff::fourCC("vide"))
            continue;
        auto info = qtff::readTrackInfo(*trak, qtff::TrackDetail::Header);
        if (!chosen || (info && info->enabled()))
            chosen = trak;
        if (info && info->enabled())
            break;
    }
    if (!chosen)
        return std::optional<VideoIndex>();
    auto info = qtff::readTrackInfo(*chosen, qtff::TrackDetail::Check);
    if (!info)
        return info.error();
    auto table = qtff::readSampleTable(*chosen);
    if (!table)
        return table.error();
    if (info->mediaTimeScale == 0 || info->mediaTimeScale > INT32_MAX)
        return makeError("the video track has no time scale");
    std::int64_t shift = 0;
    for (const auto& edit : info->edits)
        if (edit.mediaTime >= 0) {
            shift = edit.mediaTime;
            break;
        }
    return std::optional<VideoIndex>(
        fromSamples(std::move(*table), std::int32_t(info->mediaTimeScale), shift, info->trackId));
}

VideoIndex VideoIndex::fromSamples(qtff::SampleTable table, std::int32_t mediaTimeScale,
                                   std::int64_t mediaShift, std::uint32_t trackId) {
    VideoIndex index;
    index.m_table = std::move(table);
    index.m_timeScale = mediaTimeScale;
    index.m_shift = mediaShift;
    index.m_trackId = trackId;
    const auto& samples = index.m_table.samples;
    std::vector<std::size_t> order(samples.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return samples[a].presentationTime() < samples[b].presentationTime();
    });
    index.m_frameOfSample.assign(samples.size(), -1);
    for (std::size_t s : order) {
        if (samples[s].presentationTime() < mediaShift)
            continue;
        index.m_frameOfSample[s] = std::int64_t(index.m_frames.size());
        index.m_frames.push_back(
            {s, samples[s].presentationTime() - mediaShift, samples[s].duration});
    }
    // A group runs from one sync sample to the next in decode order; hidden samples still belong
    // to it because later frames may depend on them.
    index.m_groupOfFrame.assign(index.m_frames.size(), 0);
    for (std::size_t s = 0; s < samples.size(); ++s) {
        if (s == 0 || samples[s].sync)
            index.m_groups.push_back({s, s, INT64_MAX, -1});
        auto& group = index.m_groups.back();
        group.endSample = s + 1;
        if (const auto frame = index.m_frameOfSample[s]; frame >= 0) {
            group.firstFrame = std::min(group.firstFrame, frame);
            group.lastFrame = std::max(group.lastFrame, frame);
        }
    }
    std::erase_if(index.m_groups, [](const GroupOfPictures& g) { return g.lastFrame < 0; });
    for (std::size_t g = 0; g < index.m_groups.size(); ++g)
        for (auto f = index.m_groups[g].firstFrame; f <= index.m_groups[g].lastFrame; ++f)
            index.m_groupOfFrame[std::size_t(f)] = g;
    return index;
}

std::int64_t VideoIndex::frameAt(std::int64_t time) const {
    if (m_frames.empty())
        return 0;
    auto next = std::upper_bound(m_frames.begin(), m_frames.end(), time,
                                 [](std::int64_t t, const IndexedFrame& f) { return t < f.start; });
    return next == m_frames.begin() ? 0 : std::int64_t(std::prev(next) - m_frames.begin());
}

std::optional<std::int64_t> VideoIndex::frameOfPresentation(std::int64_t presentationTime) const {
    const auto time = presentationTime - m_shift;
    if (m_frames.empty() || time < 0)
        return std::nullopt;
    const auto frame = frameAt(time);
    if (m_frames[std::size_t(frame)].start != time)
        return std::nullopt;
    return frame;
}

} // namespace korvel::viewer
