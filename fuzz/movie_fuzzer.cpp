// SPDX-License-Identifier: MIT
// Movie files from outside: whatever the bytes, reading the atoms and the movie model never
// misbehaves; a header that parses is written back byte for byte; and an edit that succeeds
// leaves a movie that reads back with the timecode just written, then without it once deleted.
// Any typed atom that reads from the bytes reads back the same from what it writes.
#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/hdlr_atom.h"
#include "qtff/atoms/mdhd_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/atoms/tkhd_atom.h"
#include "qtff/movie_file.h"
#include "qtff/sample_table.h"
#include "qtff/sound_track.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace korvel::qtff;

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

template <class T, class Parse>
void checkRoundTrip(std::span<const std::uint8_t> bytes, Parse parse) {
    if (auto typed = parse(bytes); typed.ok()) {
        ByteWriter writer;
        typed->write(writer);
        auto again = parse(writer.data());
        check(again.ok() && *again == *typed);
    }
}

template <class T> void checkRoundTrip(std::span<const std::uint8_t> bytes) {
    checkRoundTrip<T>(bytes, [](auto b) { return T::parse(b); });
}

void checkTypedAtoms(std::span<const std::uint8_t> bytes) {
    checkRoundTrip<MvhdAtom>(bytes);
    checkRoundTrip<TkhdAtom>(bytes);
    checkRoundTrip<MdhdAtom>(bytes);
    checkRoundTrip<HdlrAtom>(bytes);
    checkRoundTrip<ElstAtom>(bytes);
    checkRoundTrip<StsdAtom>(bytes);
    checkRoundTrip<SttsAtom>(bytes);
    checkRoundTrip<StscAtom>(bytes);
    checkRoundTrip<StszAtom>(bytes);
    checkRoundTrip<CttsAtom>(bytes);
    checkRoundTrip<ChunkOffsetAtom>(
        bytes, [](auto b) { return ChunkOffsetAtom::parse(fourCC("co64"), b); });
    checkRoundTrip<TrackReferenceAtom>(
        bytes, [](auto b) { return TrackReferenceAtom::parse(fourCC("tmcd"), b); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    checkTypedAtoms(bytes);

    // Any atom that parses is written back the same size (size 0 is written as the real size)
    // and, written once, reads back to exactly those bytes.
    if (auto atom = parseAtom(bytes); atom.ok()) {
        const auto again = atomBytes(*atom);
        check(again.size() == bytes.size());
        auto reparsed = parseAtom(again);
        check(reparsed.ok() && atomBytes(*reparsed) == again);
    }

    auto file = std::make_unique<MemoryFile>(bytes);
    auto* memory = file.get();
    auto movie = MovieFile::open(std::move(file));
    if (!movie.ok())
        return 0;
    // The viewer's sample index: decode times never go back.
    for (const auto* trak : movie->movie().trackAtoms())
        if (auto table = readSampleTable(*trak); table.ok())
            for (std::size_t i = 1; i < table->samples.size(); ++i)
                check(table->samples[i].decodeTime >= table->samples[i - 1].decodeTime);
    if (auto tracks = movie->movie().tracks(); tracks.ok()) {
        for (const TrackInfo& track : *tracks) {
            for (const SampleDescription& description : track.sampleDescriptions) {
                (void)soundFormatOf(description.bytes);
            }
        }
    }
    (void)movie->readTimecode();
    (void)movie->checkEditable();

    TimecodeTrackOptions options;
    options.format = {3, 2997, 100, 30};
    options.startFrame = 107892;
    options.reelName = "FUZZ";
    options.replaceExisting = true;
    if (!movie->addTimecodeTrack(options).ok())
        return 0;
    auto reopened = MovieFile::open(std::make_unique<MemoryFile>(memory->bytes()));
    check(reopened.ok());
    auto tc = reopened->readTimecode();
    check(tc.ok() && tc->has_value());
    check((*tc)->startFrame == 107892);
    check((*tc)->description.reelName == "FUZZ");
    check(reopened->deleteTimecodeTracks().ok());
    check(!reopened->readTimecode()->has_value());
    return 0;
}
