// SPDX-License-Identifier: MIT
// The sound format read back from a sample description is the one it was written for, for each
// kind of entry; entries of other kinds or cut short give nothing.
#include "qtff/sound_track.h"

#include <gtest/gtest.h>

namespace korvel::qtff {
namespace {

TEST(SoundFormatOfTest, ReadsBackWhatWasWritten) {
    const SoundFormat formats[] = {
        {PcmEncoding::Int16LE, 1, 44100},  // sowt
        {PcmEncoding::Int24LE, 2, 48000},  // in24
        {PcmEncoding::Int24LE, 4, 96000},  // lpcm: more than two channels
        {PcmEncoding::Int16LE, 2, 192000}, // lpcm: a rate above 65535 Hz
        {PcmEncoding::Float32LE, 2, 48000},
    };
    for (const SoundFormat& format : formats) {
        SCOPED_TRACE(std::to_string(format.channels) + " ch " + std::to_string(format.sampleRate));
        const auto read = soundFormatOf(makeSoundSampleDescription(format));
        ASSERT_TRUE(read);
        EXPECT_EQ(read->encoding, format.encoding);
        EXPECT_EQ(read->channels, format.channels);
        EXPECT_EQ(read->sampleRate, format.sampleRate);
    }
}

TEST(SoundFormatOfTest, OtherOrShortEntriesGiveNothing) {
    auto lpcm = makeSoundSampleDescription({PcmEncoding::Int24LE, 4, 96000});
    auto other = makeSoundSampleDescription({PcmEncoding::Int16LE, 1, 48000});
    other[4] = 'r'; // 'rowt'
    const std::vector<std::uint8_t> cases[] = {
        {},
        other,
        std::vector<std::uint8_t>(lpcm.begin(), lpcm.begin() + 40), // version 2 fields cut off
    };
    for (const auto& bytes : cases) {
        EXPECT_FALSE(soundFormatOf(bytes)) << bytes.size();
    }
}

} // namespace
} // namespace korvel::qtff
