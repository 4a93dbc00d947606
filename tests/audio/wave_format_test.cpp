// SPDX-License-Identifier: MIT
#include "audio/wave_format.h"
#include "wave_builder.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

struct FormatCase {
    const char* name;
    test::Bytes body;
    SampleFormat expected;
    std::uint16_t channels;
};

test::Bytes withBlockAlign(test::Bytes body, std::uint16_t align) {
    body[12] = static_cast<std::uint8_t>(align);
    body[13] = 0;
    return body;
}

TEST(WaveFormat, KnowsTheSampleLayout) {
    const FormatCase cases[] = {
        {"Pcm16Mono", test::fmtBody(1, 1, 44100, 16), SampleFormat::Int16, 1},
        {"Pcm24Stereo", test::fmtBody(1, 2, 48000, 24), SampleFormat::Int24, 2},
        {"Float32", test::fmtBody(3, 2, 96000, 32), SampleFormat::Float32, 2},
        {"ExtensiblePcm24", test::fmtBody(1, 6, 48000, 24, true), SampleFormat::Int24, 6},
        {"ExtensibleFloat", test::fmtBody(3, 2, 48000, 32, true), SampleFormat::Float32, 2},
        {"Pcm8", test::fmtBody(1, 1, 8000, 8), SampleFormat::Unsupported, 1},
        {"Pcm32", test::fmtBody(1, 2, 48000, 32), SampleFormat::Unsupported, 2},
        {"Compressed", test::fmtBody(2, 2, 48000, 16), SampleFormat::Unsupported, 2},
        {"BlockAlignWrong", withBlockAlign(test::fmtBody(1, 2, 48000, 24), 4),
         SampleFormat::Unsupported, 2},
        {"NoChannels", test::fmtBody(1, 0, 48000, 16), SampleFormat::Unsupported, 0},
    };
    for (const FormatCase& c : cases) {
        auto format = parseWaveFormat(c.body);
        ASSERT_TRUE(format) << c.name << ": " << format.error().message;
        EXPECT_EQ(format->sampleFormat(), c.expected) << c.name;
        EXPECT_EQ(format->channels, c.channels) << c.name;
    }
}

TEST(WaveFormat, ExtensibleCarriesMaskAndValidBits) {
    auto format = parseWaveFormat(test::fmtBody(1, 2, 48000, 24, true));
    ASSERT_TRUE(format);
    EXPECT_TRUE(format->extensible());
    EXPECT_EQ(format->encoding, kWaveFormatPcm);
    EXPECT_EQ(format->channelMask, 3u);
    EXPECT_EQ(format->validBitsPerSample, 24);
}

TEST(WaveFormat, RefusesShortBodies) {
    EXPECT_FALSE(parseWaveFormat(test::Bytes(14, 0)));
    test::Bytes extensible = test::fmtBody(1, 2, 48000, 24, true);
    extensible.resize(30);
    EXPECT_FALSE(parseWaveFormat(extensible));
}

} // namespace
} // namespace korvel
