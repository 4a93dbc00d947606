// SPDX-License-Identifier: MIT
#include "qtff/timecode_track.h"

#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/mdhd_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/track_builder.h"

#include <algorithm>

namespace korvel::qtff {
namespace {

constexpr FourCC kTmcd = fourCC("tmcd");

Atom makeTimecodeMediaInfo() {
    ByteWriter gmin;
    gmin.u32(0);
    gmin.u16(0x0040); // graphics mode: dither copy
    gmin.u16(0x8000);
    gmin.u16(0x8000);
    gmin.u16(0x8000);
    gmin.u16(0); // balance
    gmin.u16(0);

    ByteWriter tcmi;
    tcmi.u32(0);  // flags 0: the timecode is not shown over the picture
    tcmi.u16(0);  // system font
    tcmi.u16(0);  // plain face
    tcmi.u16(12); // size
    tcmi.u16(0);
    tcmi.zeros(6); // black text
    tcmi.u16(0xFFFF);
    tcmi.u16(0xFFFF);
    tcmi.u16(0xFFFF); // on white
    tcmi.pascalString("Helvetica");

    Atom tmcd = Atom::leaf(kTmcd, atomBytes(Atom::leaf(fourCC("tcmi"), tcmi.take())));
    return Atom::box(fourCC("gmhd"), {Atom::leaf(fourCC("gmin"), gmin.take()), std::move(tmcd)});
}

constexpr std::uint32_t kLastTrackId = 0xFFFFFFFFu;

// One past the highest ID (and no lower than the movie's next track ID); when every ID above the
// highest is taken, the lowest that no track holds. Nothing when all are taken.
std::optional<std::uint32_t> unusedTrackId(std::uint32_t nextTrackId,
                                           const std::vector<TrackInfo>& tracks) {
    std::uint64_t candidate = std::max<std::uint32_t>(nextTrackId, 1);
    for (const auto& t : tracks)
        candidate = std::max<std::uint64_t>(candidate, std::uint64_t(t.trackId) + 1);
    if (candidate <= kLastTrackId)
        return std::uint32_t(candidate);
    std::vector<std::uint32_t> held;
    for (const auto& t : tracks)
        held.push_back(t.trackId);
    std::sort(held.begin(), held.end());
    std::uint32_t id = 1;
    for (auto h : held) {
        if (h > id)
            return id;
        if (h == id) {
            if (id == kLastTrackId)
                return std::nullopt;
            ++id;
        }
    }
    return id;
}

// `value` units of `from` per second in units of `to` per second, rounded up, so that the media
// covers the whole edit; the split keeps the products within 64 bits.
std::uint64_t rescaleRoundingUp(std::uint64_t value, std::uint32_t from, std::uint32_t to) {
    if (from == 0 || to == 0)
        return value;
    return value / from * to + (value % from * to + from - 1) / from;
}

const TrackInfo* firstTrackOf(const std::vector<TrackInfo>& tracks, FourCC handlerType) {
    for (const auto& t : tracks)
        if (t.handlerType == handlerType)
            return &t;
    return nullptr;
}

// The sample table of the one sample: the start frame number at `sampleOffset`, lasting the
// whole media.
Atom makeTimecodeSampleTable(const TimecodeTrackOptions& options, std::uint64_t mediaDuration,
                             std::uint64_t sampleOffset) {
    const TimecodeSampleEntry entry{1, options.format, true, options.reelName};
    // One sample lasts the track; a track longer than a 32-bit sample duration is cut there.
    const SttsAtom stts{0,
                        {{1, std::uint32_t(std::min<std::uint64_t>(mediaDuration, 0xFFFFFFFFu))}}};
    return Atom::box(fourCC("stbl"),
                     {toAtom(StsdAtom::of({entry.bytes()})), toAtom(stts),
                      toAtom(StscAtom{0, {{1, 1, 1}}}), toAtom(StszAtom{0, 4, 1, {}}),
                      toAtom(ChunkOffsetAtom::of({sampleOffset}))});
}

// The timecode track: as long as the picture when there is one (as QuickTime's own movies do),
// else the whole movie, and as large as the picture.
Atom makeTimecodeTrak(std::uint32_t id, const TimecodeTrackOptions& options, const MvhdAtom& movie,
                      const TrackInfo* video, std::uint64_t sampleOffset) {
    const auto duration = video && video->duration > 0 ? video->duration : movie.duration;
    // The media counts in the timecode's own time scale: a stream copy (ffmpeg -c copy) derives
    // the timecode's rate from it.
    const std::uint32_t mediaTimeScale =
        options.format.timeScale > 0 ? std::uint32_t(options.format.timeScale) : movie.timeScale;
    const auto mediaDuration = rescaleRoundingUp(duration, movie.timeScale, mediaTimeScale);
    const auto now = macTimeNow();
    TkhdAtom tkhd{.flags = kTrackInMovie | kTrackInPreview | kTrackInPoster, // disabled
                  .creationTime = now,
                  .trackId = id,
                  .duration = duration,
                  .extra = {}};
    tkhd.width = video ? video->width : 0;
    tkhd.height = video ? video->height : 0;
    Atom minf =
        Atom::box(fourCC("minf"), {makeTimecodeMediaInfo(), makeSelfDataHandler(), makeSelfDinf(),
                                   makeTimecodeSampleTable(options, mediaDuration, sampleOffset)});
    Atom mdia = Atom::box(fourCC("mdia"),
                          {makeHeader(MdhdAtom{.creationTime = now,
                                               .timeScale = mediaTimeScale,
                                               .duration = mediaDuration,
                                               .extra = {}}),
                           makeMediaHandler(kTmcd, "Time Code Media Handler"), std::move(minf)});
    return Atom::box(fourCC("trak"), {makeHeader(tkhd), makeEdts(duration), std::move(mdia)});
}

} // namespace

std::array<std::uint8_t, 4> timecodeSample(std::int32_t frameNumber) {
    const auto v = std::uint32_t(frameNumber);
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

Result<std::uint32_t> addTimecodeTrack(Movie& movie, const TimecodeTrackOptions& options,
                                       std::uint64_t sampleOffset) {
    if (options.replaceExisting)
        deleteTimecodeTracks(movie);
    auto header = movie.header();
    if (!header)
        return header.error();
    auto tracks = movie.tracks(TrackDetail::Header);
    if (!tracks)
        return tracks.error();
    const auto id = unusedTrackId(header->nextTrackId, *tracks);
    if (!id)
        return makeError("no track ID is left for a new track");
    const auto* video = firstTrackOf(*tracks, fourCC("vide"));
    movie.appendTrack(makeTimecodeTrak(*id, options, *header, video, sampleOffset));
    if (const auto* from = video ? video : firstTrackOf(*tracks, fourCC("soun"))) {
        for (auto* trak : movie.trackAtoms()) {
            if (trackId(*trak) == from->trackId) {
                addTrackReference(*trak, kTmcd, *id);
                break;
            }
        }
    }
    std::uint32_t highest = *id;
    for (const auto& t : *tracks)
        highest = std::max(highest, t.trackId);
    if (auto s = movie.setNextTrackId(highest == kLastTrackId ? kLastTrackId : highest + 1); !s)
        return s.error();
    return *id;
}

std::vector<std::uint32_t> timecodeTrackIds(const Movie& movie) {
    std::vector<std::uint32_t> ids;
    for (const auto* trak : movie.trackAtoms())
        if (trackHandlerType(*trak) == kTmcd)
            ids.push_back(trackId(*trak));
    return ids;
}

int deleteTimecodeTracks(Movie& movie) {
    const auto ids = timecodeTrackIds(movie);
    if (ids.empty())
        return 0;
    return movie.removeTracks(ids);
}

} // namespace korvel::qtff
