// SPDX-License-Identifier: MIT
#include "audio/pcm_convert.h"
#include "audio/resampler.h"
#include "wave_builder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace korvel {
namespace {

using test::encode24;

TEST(PcmConvert, DecodesEachLayoutToFloat) {
    const std::vector<std::uint8_t> int16 = {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x40};
    const std::vector<std::uint8_t> int24 = encode24({-8388608, 8388607, 4194304});
    const std::vector<std::uint8_t> float32 = {0x00, 0x00, 0x80, 0xBF, 0x00, 0x00,
                                               0x00, 0x3F, 0x00, 0x00, 0x00, 0x00};
    float out[3];
    decodeToFloat(SampleFormat::Int16, int16.data(), 3, out);
    EXPECT_FLOAT_EQ(out[0], -1.0f);
    EXPECT_NEAR(out[1], 1.0f, 1e-4);
    EXPECT_FLOAT_EQ(out[2], 0.5f);
    decodeToFloat(SampleFormat::Int24, int24.data(), 3, out);
    EXPECT_FLOAT_EQ(out[0], -1.0f);
    EXPECT_NEAR(out[1], 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(out[2], 0.5f);
    decodeToFloat(SampleFormat::Float32, float32.data(), 3, out);
    EXPECT_FLOAT_EQ(out[0], -1.0f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    EXPECT_FLOAT_EQ(out[2], 0.0f);
}

TEST(TpdfDither, ExtremesClipAndSilenceStaysNearZero) {
    TpdfDither dither(7);
    const auto in = encode24({8388607, -8388608, 0, 0, 0, 0});
    std::vector<std::uint8_t> out(12);
    dither.from24(in.data(), 6, out.data());
    const auto samples = test::read16(out);
    EXPECT_GE(samples[0], 32766);
    EXPECT_LE(samples[1], -32767);
    for (int i = 2; i < 6; ++i) {
        EXPECT_LE(std::abs(samples[i]), 1);
    }
}

TEST(Resampler, RefusesImpossibleRates) {
    EXPECT_FALSE(Resampler::create(0, 48000, 2));
    EXPECT_FALSE(Resampler::create(48000, 44100, 0));
}

} // namespace
} // namespace korvel
