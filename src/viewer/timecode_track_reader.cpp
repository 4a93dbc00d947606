// SPDX-License-Identifier: MIT
#include "viewer/timecode_track_reader.h"

#include "qtff/byte_reader.h"
#include "qtff/sample_table.h"
#include "qtff/timecode_track.h"

#include <algorithm>

namespace korvel::viewer {
namespace {

// A track of more samples than this is not a timecode track anyone wrote for a movie; reading
// each sample costs a file read.
constexpr std::size_t kMaxTimecodeSamples = 1u << 16;

TimeCodeDef toDefinition(const qtff::TimecodeFormat& format) {
    return TimeCodeDef{format.flags, format.timeScale, format.frameDuration, format.numFrames, 0};
}

} // namespace

Result<std::optional<TimecodeTrackReader>> TimecodeTrackReader::read(qtff::MovieFile& file) {
    const auto header = file.movie().header();
    if (!header)
        return header.error();
    for (const auto* trak : file.movie().trackAtoms()) {
        if (qtff::trackHandlerType(*trak) != qtff::fourCC("tmcd"))
            continue;
        auto info = qtff::readTrackInfo(*trak, qtff::TrackDetail::Check);
        if (!info)
            return info.error();
        auto table = qtff::readSampleTable(*trak);
        if (!table)
            return table.error();
        if (table->samples.empty() || info->mediaTimeScale == 0)
            return std::optional<TimecodeTrackReader>();
        if (table->samples.size() > kMaxTimecodeSamples)
            return makeError("the timecode track has too many samples");
        TimecodeTrackReader reader;
        reader.m_movieTimeScale = std::int32_t(header->timeScale);
        reader.m_mediaTimeScale =
            std::int32_t(std::min<std::uint32_t>(info->mediaTimeScale, INT32_MAX));
        reader.m_edits = info->edits;
        for (const auto& d : info->sampleDescriptions) {
            auto parsed = qtff::TimecodeSampleEntry::parse(d.bytes);
            reader.m_descriptions.push_back(
                parsed ? Description{toDefinition(parsed->format), parsed->reelName, true}
                       : Description{});
        }
        for (const auto& s : table->samples) {
            auto bytes = file.file().read(s.offset, 4);
            if (!bytes || s.descriptionIndex == 0 ||
                s.descriptionIndex > reader.m_descriptions.size())
                continue;
            reader.m_entries.push_back({s.decodeTime, s.duration,
                                        std::int32_t(qtff::loadU32(bytes->data())),
                                        s.descriptionIndex - 1});
        }
        return std::optional<TimecodeTrackReader>(std::move(reader));
    }
    return std::optional<TimecodeTrackReader>();
}

std::optional<std::int64_t> TimecodeTrackReader::mediaTimeAt(MediaTime t) const {
    if (t.scale <= 0 || m_movieTimeScale <= 0)
        return std::nullopt;
    if (m_edits.empty())
        return rescale(t.value, t.scale, m_mediaTimeScale);
    // Offsets within an edit are counted in units of 1 / (t.scale * movie time scale).
    const WideInt unit = WideInt(t.scale) * m_movieTimeScale;
    const WideInt at = WideInt(t.value) * m_movieTimeScale;
    WideInt segmentStart = 0;
    for (const auto& edit : m_edits) {
        const WideInt length = WideInt(edit.segmentDuration) * t.scale;
        if (at >= segmentStart && at < segmentStart + length) {
            if (edit.mediaTime < 0)
                return std::nullopt; // an empty edit shows no timecode
            return edit.mediaTime + std::int64_t((at - segmentStart) * m_mediaTimeScale / unit);
        }
        segmentStart += length;
    }
    return std::nullopt;
}

std::optional<TimecodeAtTime> TimecodeTrackReader::at(MediaTime movieTime) const {
    const auto media = mediaTimeAt(movieTime);
    if (!media || m_entries.empty())
        return std::nullopt;
    auto next =
        std::upper_bound(m_entries.begin(), m_entries.end(), *media,
                         [](std::int64_t time, const Entry& e) { return time < e.mediaStart; });
    if (next == m_entries.begin())
        return std::nullopt;
    const Entry& entry = *std::prev(next);
    if (*media >= entry.mediaStart + entry.duration && next == m_entries.end())
        return std::nullopt;
    const Description& description = m_descriptions[entry.description];
    const TimeCodeDef& def = description.definition;
    if (!description.readable || def.frameDuration <= 0 || def.fTimeScale <= 0)
        return std::nullopt;
    const WideInt offset = WideInt(*media - entry.mediaStart) * def.fTimeScale;
    const auto frames = std::int64_t(offset / (WideInt(m_mediaTimeScale) * def.frameDuration));
    return TimecodeAtTime{entry.frameNumber + frames, def, description.reelName};
}

} // namespace korvel::viewer
