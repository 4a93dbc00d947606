// SPDX-License-Identifier: MIT
// Every typed atom reads back what it wrote, in each version, and refuses a payload cut short or
// a count of more entries than follow; so do untyped atoms and sound sample descriptions.
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

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace korvel::qtff {
namespace {

constexpr std::uint64_t kBeyond32Bits = 0x123456789ull;

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
    const TimecodeFormat pal{2, 25, 1, 25};
    const StsdAtom stsd = StsdAtom::of({TimecodeSampleEntry{1, pal, true, "A001"}.bytes(),
                                        TimecodeSampleEntry{2, pal, false, ""}.bytes()});
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
        caseWith("tmcd entry, no name", TimecodeSampleEntry{1, pal, false, ""}, entry),
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
    // moov { free (64-bit size) ; 4 zero bytes }
    ByteWriter w;
    auto moov = w.beginAtom(fourCC("moov"));
    w.u32(1);
    w.fourCC(fourCC("free"));
    w.u64(18);
    w.u16(0xBEEF);
    w.u32(0);
    w.endAtom(moov);
    auto atom = parseAtom(w.data());
    ASSERT_TRUE(atom.ok()) << atom.error().message;
    EXPECT_EQ(atomBytes(*atom), w.data());
}

TEST(Atom, RefusesChildrenThatDoNotFitTheirParent) {
    ByteWriter huge;
    huge.u32(24);
    huge.fourCC(fourCC("moov"));
    huge.u32(1);
    huge.fourCC(fourCC("trak"));
    huge.u64(~0ull);
    std::vector<std::uint8_t> deep; // 40 levels of 'trak'
    for (int i = 40; i > 0; --i)
        deep = joined({deep, header(std::uint32_t(8 * i), "trak")});
    const std::vector<std::uint8_t> cases[] = {
        joined({header(16, "moov"), header(100, "trak")}),
        joined({header(16, "moov"), header(4, "trak")}),
        huge.take(),
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

} // namespace
} // namespace korvel::qtff
