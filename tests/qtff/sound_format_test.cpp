// SPDX-License-Identifier: MIT
// The sound format read back from a sample description is the one it was written for, for each
// kind of entry; entries of other kinds or cut short give nothing.
#include "qtff/byte_reader.h"
#include "qtff/sound_track.h"

#include <gtest/gtest.h>
#include <tuple>

namespace korvel::qtff {
namespace {

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
