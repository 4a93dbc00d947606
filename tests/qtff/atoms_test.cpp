// SPDX-License-Identifier: MIT
// Every typed atom reads back what it wrote, in each version, and refuses a payload cut short or
// a count of more entries than follow; so do untyped atoms and sound sample descriptions. Then
// the timecode track as it is added to, and removed from, a movie header.
#include "qtff/atom.h"
#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/elst_atom.h"
#include "qtff/atoms/hdlr_atom.h"
#include "qtff/atoms/mdhd_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsd_atom.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/atoms/timecode_sample_entry.h"
#include "qtff/atoms/tkhd_atom.h"
#include "qtff/atoms/track_reference_atom.h"
#include "qtff/byte_reader.h"
#include "qtff/sound_track.h"
#include "qtff/timecode_track.h"
#include "test_movies.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace korvel::qtff {
namespace {

constexpr std::uint64_t kBeyond32Bits = 0x123456789ull;
const TimecodeFormat kPal{2, 25, 1, 25};

struct Case {
    std::string name;
    std::vector<std::uint8_t> bytes;
    /// Parses `bytes`: nothing when refused, else whether it equals the value written.
    std::function<std::optional<bool>(std::span<const std::uint8_t>)> readsBack;
    /// The longest cut of the payload that must be refused.
    std::size_t refusedSize;
    /// Where an entry count sits, if the atom has one.
    std::optional<std::size_t> countAt;
};

template <class T, class Parse>
Case caseWith(std::string name, const T& value, Parse parse,
              std::optional<std::size_t> countAt = {},
              std::optional<std::size_t> refusedSize = {}) {
    ByteWriter w;
    value.write(w);
    auto bytes = w.take();
    const auto refused = refusedSize.value_or(bytes.size() - 1);
    return {std::move(name), std::move(bytes),
            [value, parse](std::span<const std::uint8_t> b) -> std::optional<bool> {
                auto read = parse(b);
                return read ? std::optional(*read == value) : std::nullopt;
            },
            refused, countAt};
}

template <class T>
Case caseOf(std::string name, const T& value, std::optional<std::size_t> countAt = {},
            std::optional<std::size_t> refusedSize = {}) {
    return caseWith(
        std::move(name), value, [](auto b) { return T::parse(b); }, countAt, refusedSize);
}

std::vector<Case> cases() {
    const MvhdAtom mvhd{.creationTime = 1,
                        .modificationTime = 2,
                        .duration = 1200,
                        .previewToCurrentTime = {1, 2, 3, 4, 5, 6},
                        .nextTrackId = 7,
                        .extra = {}};
    const MvhdAtom mvhd1{
        .version = 1, .duration = kBeyond32Bits, .nextTrackId = 7, .extra = {9, 9}};
    const TkhdAtom tkhd{.trackId = 3,
                        .duration = 500,
                        .volume = 0x0100,
                        .width = 320u << 16,
                        .height = 240u << 16,
                        .extra = {}};
    const TkhdAtom tkhd1{.version = 1, .creationTime = kBeyond32Bits, .trackId = 3, .extra = {}};
    const MdhdAtom mdhd{.timeScale = 2997, .duration = 5994, .language = 0x55C4, .extra = {}};
    const MdhdAtom mdhd1{.version = 1, .timeScale = 2997, .duration = kBeyond32Bits, .extra = {}};
    ElstAtom elst{0, 0, {{100, -1, 0x00010000}, {1200, 600, 0x00008000}}};
    ElstAtom elst1{1, 0, {{kBeyond32Bits, -1, 0x00010000}, {1, std::int64_t(kBeyond32Bits), 0}}};
    const StsdAtom stsd = StsdAtom::of({TimecodeSampleEntry{1, kPal, true, "A001"}.bytes(),
                                        TimecodeSampleEntry{2, kPal, false, ""}.bytes()});
    auto chunks = [](FourCC type) {
        return [type](auto b) { return ChunkOffsetAtom::parse(type, b); };
    };
    auto references = [](auto b) { return TrackReferenceAtom::parse(fourCC("tmcd"), b); };
    auto entry = [](auto b) { return TimecodeSampleEntry::parse(b); };
    return {
        caseOf("mvhd version 0", mvhd),
        caseOf("mvhd version 1", mvhd1, {}, 111),
        caseOf("tkhd version 0", tkhd),
        caseOf("tkhd version 1", tkhd1),
        caseOf("mdhd version 0", mdhd),
        caseOf("mdhd version 1", mdhd1),
        caseOf("hdlr", HdlrAtom::named(fourCC("mhlr"), fourCC("tmcd"), "Time Code"), {}, 23),
        caseOf("elst version 0", elst, 4),
        caseOf("elst version 1", elst1, 4),
        caseOf("stsd", stsd, 4),
        caseOf("stts", SttsAtom{0, {{2, 300}, {1, 301}}}, 4),
        caseOf("stsc", StscAtom{0, {{1, 2, 1}, {5, 1, 2}}}, 4),
        caseOf("stsz, one size", StszAtom{0, 8, 1000, {}}),
        caseOf("stsz, sizes", StszAtom{0, 0, 3, {4, 5, 6}}, 8),
        caseWith("stco", ChunkOffsetAtom::of({8, 0xFFFFFFFFu}), chunks(fourCC("stco")), 4),
        caseWith("co64", ChunkOffsetAtom::of({8, kBeyond32Bits}), chunks(fourCC("co64")), 4),
        caseOf("stss", StssAtom{0, {{1}, {25}}}, 4),
        caseOf("ctts", CttsAtom{0, {{1, 0}, {2, std::uint32_t(-100)}}}, 4),
        caseWith("tref list", TrackReferenceAtom{fourCC("tmcd"), {3, 4}}, references),
        caseWith("tmcd entry", TimecodeSampleEntry{1, {3, 2997, 100, 30}, true, "A001"}, entry, {},
                 33),
        caseWith("tmcd entry, no name", TimecodeSampleEntry{1, kPal, false, ""}, entry),
    };
}

TEST(TypedAtoms, ReadBackWhatTheyWroteAndRefuseWhatDoesNotFit) {
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.readsBack(c.bytes), std::optional(true));
        const std::span<const std::uint8_t> all(c.bytes);
        EXPECT_EQ(c.readsBack(all.first(c.refusedSize)), std::nullopt) << "cut short";
        if (c.countAt) {
            auto more = c.bytes;
            more[*c.countAt + 3]++; // one entry more than follow
            EXPECT_EQ(c.readsBack(more), std::nullopt) << "count too large";
            more[*c.countAt] = 0xFF; // a count no payload could hold
            EXPECT_EQ(c.readsBack(more), std::nullopt) << "huge count";
        }
    }
}

// Untyped atoms: written back byte for byte, refused when a child does not fit.
std::vector<std::uint8_t> header(std::uint32_t size, const char (&type)[5]) {
    ByteWriter w;
    w.u32(size);
    w.fourCC(fourCC(type));
    return w.take();
}

std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A whole movie header read and written back is the timecode-track tests'.
TEST(Atom, WritesBackWhatItReadByteForByte) {
    // moov { free (64-bit size 18, 2 bytes) ; 4 zero bytes }
    const auto bytes = joined(
        {header(30, "moov"), header(1, "free"), {0, 0, 0, 0, 0, 0, 0, 18, 0xBE, 0xEF, 0, 0, 0, 0}});
    auto atom = parseAtom(bytes);
    ASSERT_TRUE(atom.ok()) << atom.error().message;
    EXPECT_EQ(atomBytes(*atom), bytes);
}

TEST(Atom, RefusesChildrenThatDoNotFitTheirParent) {
    std::vector<std::uint8_t> deep; // 40 levels of 'trak'
    for (int i = 40; i > 0; --i)
        deep = joined({deep, header(std::uint32_t(8 * i), "trak")});
    const std::vector<std::uint8_t> cases[] = {
        joined({header(16, "moov"), header(100, "trak")}),
        joined({header(16, "moov"), header(4, "trak")}),
        // a 64-bit size of 2^64 - 1
        joined({header(24, "moov"), header(1, "trak"), std::vector<std::uint8_t>(8, 0xFF)}),
        deep,
    };
    for (const auto& bytes : cases)
        EXPECT_FALSE(parseAtom(bytes).ok()) << bytes.size();
}

// The sound format read back from a sample description is the one it was written for, for each
// kind of entry; entries of other kinds or cut short give nothing.
TEST(SoundFormatOfTest, ReadsBackWhatWasWrittenAndNothingElse) {
    const SoundFormat formats[] = {
        {PcmEncoding::Int16LE, 1, 44100},  // sowt
        {PcmEncoding::Int24LE, 2, 48000},  // in24
        {PcmEncoding::Int24LE, 4, 96000},  // lpcm: more than two channels
        {PcmEncoding::Int16LE, 2, 192000}, // lpcm: a rate above 65535 Hz
        {PcmEncoding::Float32LE, 2, 48000},
    };
    for (const SoundFormat& format : formats) {
        const auto read = soundFormatOf(makeSoundSampleDescription(format));
        ASSERT_TRUE(read);
        EXPECT_EQ(std::tie(read->encoding, read->channels, read->sampleRate),
                  std::tie(format.encoding, format.channels, format.sampleRate))
            << format.channels << " ch " << format.sampleRate;
    }
    auto lpcm = makeSoundSampleDescription({PcmEncoding::Int24LE, 4, 96000});
    auto other = makeSoundSampleDescription({PcmEncoding::Int16LE, 1, 48000});
    other[4] = 'r'; // 'rowt'
    EXPECT_FALSE(soundFormatOf({}));
    EXPECT_FALSE(soundFormatOf(other));
    EXPECT_FALSE(soundFormatOf(std::span(lpcm).first(40))) << "version 2 fields cut off";

    // A 24-bit entry's version 1 fields: a packet is one 3-byte sample, a frame one per channel.
    const auto in24 = makeSoundSampleDescription({PcmEncoding::Int24LE, 2, 48000});
    ByteReader version1{std::span(in24).subspan(36, 12)};
    EXPECT_EQ(version1.u32s<3>(), (std::array<std::uint32_t, 3>{1, 3, 6}));
}

// --- The timecode track ---
Movie movieOf(const testing::TestMovieOptions& options) {
    const auto file = testing::makeTestMovie(options);
    MemoryFile mem(file);
    const auto moov = scanFile(mem)->atoms.back();
    return *Movie::parse(std::span(file.data() + moov.offset, moov.size));
}

const TimecodeFormat kNtscDrop{3, 2997, 100, 30};

TEST(TimecodeTrack, IsLaidOutAsTheToolWritesIt) {
    Movie movie = movieOf({});
    auto id = addTimecodeTrack(movie, {kNtscDrop, 107892, "A001"}, 0x12345678);
    ASSERT_TRUE(id.ok()) << id.error().message;
    EXPECT_EQ(*id, 3u);
    EXPECT_EQ(movie.header()->nextTrackId, 4u);
    auto tracks = movie.tracks();
    ASSERT_TRUE(tracks.ok()) << tracks.error().message;
    ASSERT_EQ(tracks->size(), 3u);
    const auto& tc = (*tracks)[2];
    EXPECT_EQ(tc.handlerType, fourCC("tmcd"));
    EXPECT_FALSE(tc.enabled());
    EXPECT_EQ(tc.volume, 0);
    ASSERT_EQ(tc.edits.size(), 1u);
    EXPECT_EQ(tc.edits[0].mediaTime, 0);
    EXPECT_EQ(tc.edits[0].mediaRate, 0x10000);
    EXPECT_EQ(tc.sampleCount, 1u);
    EXPECT_EQ(tc.uniformSampleSize, 4u);
    EXPECT_EQ(tc.chunkOffsets, std::vector<std::uint64_t>{0x12345678});
    EXPECT_FALSE(tc.chunkOffsets64);
    ASSERT_EQ(tc.sampleDescriptions.size(), 1u);
    auto d = TimecodeSampleEntry::parse(tc.sampleDescriptions[0].bytes);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d->format, kNtscDrop);
    EXPECT_EQ(d->reelName, "A001");
    EXPECT_EQ(timecodeSample(107892), (std::array<std::uint8_t, 4>{0x00, 0x01, 0xA5, 0x74}));
}

// The media counts in the timecode's time scale and lasts, like the track, as long as the
// picture (the whole movie without one), rounded up to whole units of that scale. The picture
// (else the sound) refers to it and lends it its size.
TEST(TimecodeTrack, FollowsThePictureElseTheSound) {
    const TimecodeFormat film{2, 24, 1, 24};
    // Each case: the movie, the timecode format, the track's and the media's durations.
    const std::tuple<testing::TestMovieOptions, TimecodeFormat, std::uint64_t, std::uint64_t>
        cases[] = {
            {{.duration = 3000, .videoDuration = 1200}, kPal, 1200, 50}, // 2 s picture, 5 s sound
            {{.duration = 3000, .videoDuration = 1200}, kNtscDrop, 1200, 5994},
            {{.video = false, .duration = 3000}, film, 3000, 120}, // sound only: the whole movie
            {{.timeScale = 30000, .duration = 60060}, kNtscDrop, 60060, 6000},
            {{.timeScale = 1000, .duration = 1001}, kPal, 1001, 26}, // a frame begun counts whole
            {{.timeScale = 600, .duration = 0}, film, 0, 0},
            {{.video = false, .sound = false}, kPal, 1200, 50},
        };
    for (const auto& [options, format, trackDuration, mediaDuration] : cases) {
        Movie movie = movieOf(options);
        ASSERT_TRUE(addTimecodeTrack(movie, {format, 0, "R"}, 100).ok());
        const auto tracks = *movie.tracks();
        const auto& tc = tracks.back();
        SCOPED_TRACE(std::to_string(options.duration) + " @" + std::to_string(options.timeScale));
        EXPECT_EQ(tc.duration, trackDuration);
        EXPECT_EQ(tc.edits.at(0).segmentDuration, trackDuration);
        EXPECT_EQ(tc.mediaTimeScale, std::uint32_t(format.timeScale));
        EXPECT_EQ(tc.mediaDuration, mediaDuration);
        EXPECT_EQ(tc.timeToSample,
                  (std::vector<std::array<std::uint32_t, 2>>{{1, std::uint32_t(mediaDuration)}}));
        EXPECT_EQ(tc.width, options.video ? 320u << 16 : 0u);
        EXPECT_EQ(tc.height, options.video ? 240u << 16 : 0u);
        const bool referred = options.video || options.sound;
        EXPECT_EQ(tracks.front().references.size(), referred ? 1u : 0u);
        for (std::size_t i = 1; i < tracks.size(); ++i)
            EXPECT_TRUE(tracks[i].references.empty()) << "only the first track refers to it";
    }
}

// Whatever IDs the tracks hold (and whatever the header says comes next), the new track takes
// one no other track holds.
TEST(TimecodeTrack, NewTrackTakesAnUnusedId) {
    constexpr std::uint32_t kLast = 0xFFFFFFFFu;
    // Each case: the picture's, the sound's and the next track ID, and the ID and next ID after.
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>
        cases[] = {
            {1, 2, 10, 10, 11},      // the header's next ID is kept
            {5, 9, 3, 10, 11},       // a stale next ID is passed by
            {1, kLast, 3, 2, kLast}, // nothing above the highest: the lowest free one
            {kLast, 1, kLast, 2, kLast}, {2, kLast, 0, 1, kLast}, {7, 8, kLast, kLast, kLast},
        };
    for (const auto& [videoId, soundId, nextId, expectedId, expectedNext] : cases) {
        Movie movie =
            movieOf({.videoTrackId = videoId, .soundTrackId = soundId, .nextTrackId = nextId});
        auto id = addTimecodeTrack(movie, {kPal, 0, "R"}, 100);
        SCOPED_TRACE(std::to_string(videoId) + "," + std::to_string(soundId) + " next " +
                     std::to_string(nextId));
        ASSERT_TRUE(id.ok()) << id.error().message;
        EXPECT_EQ(*id, expectedId);
        EXPECT_EQ(movie.header()->nextTrackId, expectedNext);
        EXPECT_EQ(movie.tracks()->front().references.at(0).trackIds,
                  std::vector<std::uint32_t>{*id});
    }
}

TEST(TimecodeTrack, DeleteAndReplaceRemoveEveryTimecodeTrackAndReference) {
    Movie movie = movieOf({});
    const auto original = movie.bytes();
    ASSERT_TRUE(addTimecodeTrack(movie, {kPal, 1, "A"}, 100).ok());
    ASSERT_TRUE(addTimecodeTrack(movie, {kPal, 2, "B"}, 200).ok());
    EXPECT_EQ(movie.tracks()->front().references[0].trackIds, (std::vector<std::uint32_t>{3, 4}));
    TimecodeTrackOptions replace{kPal, 2, "NEW"};
    replace.replaceExisting = true;
    ASSERT_EQ(*addTimecodeTrack(movie, replace, 300), 5u);
    EXPECT_EQ(timecodeTrackIds(movie), std::vector<std::uint32_t>{5});
    EXPECT_EQ(movie.tracks()->front().references[0].trackIds, std::vector<std::uint32_t>{5});
    EXPECT_EQ(deleteTimecodeTracks(movie), 1);
    EXPECT_TRUE(timecodeTrackIds(movie).empty());
    // Apart from the next track ID, the header is as it was, byte for byte.
    ASSERT_TRUE(movie.setNextTrackId(3).ok());
    EXPECT_EQ(movie.bytes(), original);
    EXPECT_EQ(deleteTimecodeTracks(movie), 0);
}

TEST(TimecodeSampleEntry, CutsLongReelNamesAndReadsWhatOtherWritersLeave) {
    auto reelOf = [](std::vector<std::uint8_t> bytes) {
        return TimecodeSampleEntry::parse(bytes)->reelName;
    };
    EXPECT_EQ(reelOf(TimecodeSampleEntry{1, kPal, true, std::string(300, 'x')}.bytes()),
              std::string(255, 'x'));
    // Three reserved bytes after the frame count instead of one.
    auto entry = TimecodeSampleEntry{1, kPal, true, "REEL"}.bytes();
    entry.insert(entry.begin() + 34, {0, 0});
    entry[3] = std::uint8_t(entry.size());
    EXPECT_EQ(reelOf(entry), "REEL");
    // A name with a zero byte ends there.
    EXPECT_EQ(reelOf(TimecodeSampleEntry{1, kPal, true, std::string("AB\0C", 4)}.bytes()), "AB");
}

} // namespace
} // namespace korvel::qtff
