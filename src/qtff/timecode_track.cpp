// SPDX-License-Identifier: MIT
#include "qtff/timecode_track.h"

#include "qtff/byte_reader.h"
#include "qtff/track_builder.h"

#include <algorithm>

namespace korvel::qtff {
namespace {

constexpr FourCC kTmcd = fourCC("tmcd");
constexpr FourCC kName = fourCC("name");
constexpr std::size_t kTimecodeEntryFixedSize = 34;

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

} // namespace

std::vector<std::uint8_t> makeTimecodeSampleDescription(const TimecodeFormat& format,
                                                        std::string_view reelName) {
    const auto name = reelName.substr(0, std::min(reelName.size(), kMaxReelNameBytes));
    ByteWriter w;
    auto entry = w.beginAtom(kTmcd);
    w.zeros(6);
    w.u16(1); // data reference index
    w.u32(0);
    w.s32(format.flags);
    w.s32(format.timeScale);
    w.s32(format.frameDuration);
    w.u8(format.numFrames);
    w.u8(0);
    auto item = w.beginAtom(kName);
    w.u16(std::uint16_t(name.size()));
    w.u16(0); // language: English
    w.text(name);
    w.endAtom(item);
    w.endAtom(entry);
    return w.take();
}

Result<TimecodeDescription> parseTimecodeSampleDescription(std::span<const std::uint8_t> entry) {
    if (entry.size() < kTimecodeEntryFixedSize || loadU32(&entry[4]) != kTmcd) {
        return makeError("not a timecode sample description");
    }
    TimecodeDescription d;
    d.format.flags = std::int32_t(loadU32(&entry[20]));
    d.format.timeScale = std::int32_t(loadU32(&entry[24]));
    d.format.frameDuration = std::int32_t(loadU32(&entry[28]));
    d.format.numFrames = entry[32];
    // The source reference is a list of user-data items. Some writers leave three reserved bytes
    // after the frame count instead of one; accept either.
    for (std::size_t start : {kTimecodeEntryFixedSize, kTimecodeEntryFixedSize + 2}) {
        ByteReader r(entry.subspan(std::min(start, entry.size())));
        while (r.remaining() >= 8) {
            auto size = r.u32();
            auto type = r.fourCC();
            if (*size < 8 || *size - 8 > r.remaining())
                break;
            auto body = r.sub(*size - 8);
            if (*type != kName)
                continue;
            auto length = body->u16();
            if (!length || !body->skip(2))
                break;
            auto text = body->bytes(std::min<std::size_t>(*length, body->remaining()));
            d.hasReelName = true;
            d.reelName.assign(text->begin(), text->end());
            // The name is text up to its first zero byte.
            if (auto z = d.reelName.find('\0'); z != std::string::npos)
                d.reelName.resize(z);
            return d;
        }
    }
    return d;
}

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

    const TrackInfo* video = nullptr;
    const TrackInfo* sound = nullptr;
    std::uint32_t highestId = 0;
    for (const auto& t : *tracks) {
        highestId = std::max(highestId, t.trackId);
        if (!video && t.handlerType == fourCC("vide"))
            video = &t;
        if (!sound && t.handlerType == fourCC("soun"))
            sound = &t;
    }
    const auto id = unusedTrackId(header->nextTrackId, *tracks);
    if (!id)
        return makeError("no track ID is left for a new track");

    // The timecode names the picture's frames, so it lasts as long as the picture when there is
    // one (as QuickTime's own movies do), else the whole movie.
    const auto duration = video && video->duration > 0 ? video->duration : header->duration;
    // The media counts in the timecode's own time scale: a stream copy (ffmpeg -c copy) derives
    // the timecode's rate from it.
    const std::uint32_t mediaTimeScale =
        options.format.timeScale > 0 ? std::uint32_t(options.format.timeScale) : header->timeScale;
    const auto mediaDuration = rescaleRoundingUp(duration, header->timeScale, mediaTimeScale);
    const auto now = macTimeNow();
    TrackHeaderFields tkhd;
    tkhd.trackId = *id;
    tkhd.flags = kTrackInMovie | kTrackInPreview | kTrackInPoster; // disabled
    tkhd.duration = duration;
    tkhd.width = video ? video->width : 0;
    tkhd.height = video ? video->height : 0;
    tkhd.creationTime = now;

    const std::vector<std::vector<std::uint8_t>> descriptions{
        makeTimecodeSampleDescription(options.format, options.reelName)};
    // One sample lasts the track; a track longer than a 32-bit sample duration is cut there.
    const std::array<std::uint32_t, 2> stts{
        1, std::uint32_t(std::min<std::uint64_t>(mediaDuration, 0xFFFFFFFFu))};
    const std::array<std::uint32_t, 3> stsc{1, 1, 1};
    const std::uint64_t offsets[] = {sampleOffset};
    Atom stbl = Atom::box(fourCC("stbl"),
                          {makeStsd(descriptions), makeStts({&stts, 1}), makeStsc({&stsc, 1}),
                           makeStszUniform(4, 1), makeChunkOffsets(offsets)});
    Atom minf = Atom::box(fourCC("minf"), {makeTimecodeMediaInfo(), makeSelfDataHandler(),
                                           makeSelfDinf(), std::move(stbl)});
    Atom mdia =
        Atom::box(fourCC("mdia"),
                  {makeMdhd(mediaTimeScale, mediaDuration, 0, now),
                   makeHdlr(fourCC("mhlr"), kTmcd, "Time Code Media Handler"), std::move(minf)});
    movie.appendTrack(
        Atom::box(fourCC("trak"), {makeTkhd(tkhd), makeEdts(duration), std::move(mdia)}));

    if (const auto* from = video ? video : sound) {
        for (auto* trak : movie.trackAtoms()) {
            if (trackId(*trak) == from->trackId) {
                addTrackReference(*trak, kTmcd, *id);
                break;
            }
        }
    }
    const std::uint32_t highest = std::max(highestId, *id);
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
