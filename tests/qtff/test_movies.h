// SPDX-License-Identifier: MIT
#pragma once

// Small movies built in memory: an 'ftyp', an 'mdat' of known bytes, and a 'moov' whose tracks
// point into it, plus header atoms this library does not interpret.

#include "qtff/atom.h"
#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/mdhd_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsd_atom.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/byte_writer.h"
#include "qtff/track_builder.h"

#include <cstdint>
#include <vector>

namespace korvel::qtff::testing {

struct TestMovieOptions {
    bool video = true;
    bool sound = true;
    bool moovFirst = false;
    std::uint32_t timeScale = 600;
    std::uint64_t duration = 1200;
    std::uint32_t mediaTimeScale = 600;
    std::uint32_t frameDuration = 0; // media time units per sample; 0: half the duration
    std::uint64_t videoDuration = 0; // 0: the movie's duration
    std::uint32_t videoTrackId = 1;
    std::uint32_t soundTrackId = 2;
    std::uint32_t nextTrackId = 3;
};

inline Atom makeTestTrack(std::uint32_t id, FourCC handler, std::uint64_t duration,
                          std::uint64_t chunkOffset, std::uint32_t mediaTimeScale = 600,
                          std::uint32_t frameDuration = 0) {
    const bool video = handler == fourCC("vide");
    const TkhdAtom tkhd{.trackId = id,
                        .duration = duration,
                        .volume = std::uint16_t(video ? 0 : 0x0100),
                        .width = video ? 320u << 16 : 0,
                        .height = video ? 240u << 16 : 0,
                        .extra = {}};
    ByteWriter entry;
    auto e = entry.beginAtom(video ? fourCC("raw ") : fourCC("sowt"));
    entry.zeros(6);
    entry.u16(1);
    entry.zeros(20);
    entry.endAtom(e);
    const SttsAtom stts{0, {{2, frameDuration ? frameDuration : std::uint32_t(duration / 2)}}};
    Atom stbl =
        Atom::box(fourCC("stbl"), {toAtom(StsdAtom::of({entry.take()})), toAtom(stts),
                                   toAtom(StscAtom{0, {{1, 2, 1}}}), toAtom(StszAtom{0, 8, 2, {}}),
                                   toAtom(ChunkOffsetAtom::of({chunkOffset}))});
    Atom minf = Atom::box(fourCC("minf"), {Atom::leaf(video ? fourCC("vmhd") : fourCC("smhd"),
                                                      std::vector<std::uint8_t>(12, 0)),
                                           makeSelfDataHandler(), makeSelfDinf(), std::move(stbl)});
    Atom mdia = Atom::box(
        fourCC("mdia"),
        {makeHeader(MdhdAtom{.timeScale = mediaTimeScale, .duration = duration, .extra = {}}),
         makeMediaHandler(handler, "Handler"), std::move(minf)});
    // User data with QuickTime's 4-byte zero terminator, which must survive untouched.
    Atom udta =
        Atom::leaf(fourCC("udta"), {0, 0, 0, 12, 'x', 'y', 'z', 'w', 1, 2, 3, 4, 0, 0, 0, 0});
    return Atom::box(fourCC("trak"),
                     {makeHeader(tkhd), makeEdts(duration), std::move(mdia), std::move(udta)});
}

/// The media payload of every test movie: 16 recognisable bytes per track.
inline std::vector<std::uint8_t> testMedia() {
    std::vector<std::uint8_t> media(32);
    for (std::size_t i = 0; i < media.size(); ++i)
        media[i] = std::uint8_t(0xA0 + i);
    return media;
}

inline std::vector<std::uint8_t> makeTestMovie(const TestMovieOptions& o = {}) {
    const auto ftyp = atomBytes(makeQuickTimeFtyp());
    const auto media = testMedia();
    auto moovFor = [&](std::uint64_t mdatOffset) {
        Atom moov = Atom::box(fourCC("moov"));
        moov.children.push_back(makeHeader(MvhdAtom{.timeScale = o.timeScale,
                                                    .duration = o.duration,
                                                    .nextTrackId = o.nextTrackId,
                                                    .extra = {}}));
        const auto videoDuration = o.videoDuration ? o.videoDuration : o.duration;
        if (o.video)
            moov.children.push_back(makeTestTrack(o.videoTrackId, fourCC("vide"), videoDuration,
                                                  mdatOffset + 8, o.mediaTimeScale,
                                                  o.frameDuration));
        if (o.sound)
            moov.children.push_back(
                makeTestTrack(o.soundTrackId, fourCC("soun"), o.duration, mdatOffset + 24));
        moov.children.push_back(Atom::leaf(fourCC("meta"), {0, 0, 0, 0, 9, 8, 7}));
        moov.children.push_back(Atom::leaf(fourCC("zzzz"), {1, 2, 3}));
        return atomBytes(moov);
    };
    ByteWriter mdat;
    auto m = mdat.beginAtom(fourCC("mdat"));
    mdat.bytes(media);
    mdat.endAtom(m);
    std::vector<std::uint8_t> file(ftyp);
    if (o.moovFirst) {
        const auto size = moovFor(0).size();
        const auto moov = moovFor(ftyp.size() + size);
        file.insert(file.end(), moov.begin(), moov.end());
        file.insert(file.end(), mdat.data().begin(), mdat.data().end());
    } else {
        file.insert(file.end(), mdat.data().begin(), mdat.data().end());
        const auto moov = moovFor(ftyp.size());
        file.insert(file.end(), moov.begin(), moov.end());
    }
    return file;
}

} // namespace korvel::qtff::testing
