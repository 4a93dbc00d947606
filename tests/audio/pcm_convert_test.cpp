// SPDX-License-Identifier: MIT
#include "audio/pcm_convert.h"
#include "audio/resampler.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace korvel {
namespace {

std::vector<std::uint8_t> encode24(const std::vector<std::int32_t>& samples) {
    std::vector<std::uint8_t> bytes;
    for (std::int32_t s : samples) {
        const auto u = static_cast<std::uint32_t>(s);
        bytes.push_back(static_cast<std::uint8_t>(u));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
        bytes.push_back(static_cast<std::uint8_t>(u >> 16));
    }
    return bytes;
}

std::vector<std::int16_t> decode16(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
}

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

TEST(PcmConvert, InterleavesLeftThenRight) {
    const std::vector<std::uint8_t> left = {1, 2, 3, 4, 5, 6};
    const std::vector<std::uint8_t> right = {7, 8, 9, 10, 11, 12};
    std::vector<std::uint8_t> out(12);
    interleavePair(3, left.data(), right.data(), 2, out.data());
    EXPECT_EQ(out, (std::vector<std::uint8_t>{1, 2, 3, 7, 8, 9, 4, 5, 6, 10, 11, 12}));
}

TEST(TpdfDither, ExtremesClipAndSilenceStaysNearZero) {
    TpdfDither dither(7);
    const auto in = encode24({8388607, -8388608, 0, 0, 0, 0});
    std::vector<std::uint8_t> out(12);
    dither.from24(in.data(), 6, out.data());
    const auto samples = decode16(out);
    EXPECT_GE(samples[0], 32766);
    EXPECT_EQ(samples[1] <= -32767, true);
    for (int i = 2; i < 6; ++i) {
        EXPECT_LE(std::abs(samples[i]), 1);
    }
}

TEST(TpdfDither, SameSeedSameResult) {
    const auto in = encode24({1000, -2000, 3000, 12345, -54321});
    std::vector<std::uint8_t> a(10), b(10);
    TpdfDither(42).from24(in.data(), 5, a.data());
    TpdfDither(42).from24(in.data(), 5, b.data());
    EXPECT_EQ(a, b);
}

// A sine a third of a 16-bit step high vanishes under plain rounding; dither keeps it audible
// in the noise, which is the point of dithering.
TEST(TpdfDither, KeepsSignalsBelowOneStep) {
    constexpr int kCount = 48000;
    std::vector<std::int32_t> sine(kCount);
    for (int i = 0; i < kCount; ++i) {
        sine[i] = static_cast<std::int32_t>(
            std::lround(256.0 / 3 * std::sin(2 * std::numbers::pi * 1000.0 * i / 48000.0)));
    }
    const auto in = encode24(sine);
    std::vector<std::uint8_t> out(2 * kCount);
    TpdfDither(3).from24(in.data(), kCount, out.data());
    const auto samples = decode16(out);
    double correlation = 0;
    double energy = 0;
    for (int i = 0; i < kCount; ++i) {
        correlation += samples[i] * (sine[i] / 256.0);
        energy += (sine[i] / 256.0) * (sine[i] / 256.0);
    }
    // The least-squares gain of the output against the signal is about one.
    EXPECT_NEAR(correlation / energy, 1.0, 0.1);
}

TEST(Resampler, ConvertsLengthAndKeepsTheTone) {
    constexpr int kInputRate = 44100;
    constexpr int kOutputRate = 48000;
    constexpr int kFrames = kInputRate; // one second, fed in uneven blocks
    std::vector<float> input(2 * kFrames);
    for (int i = 0; i < kFrames; ++i) {
        input[2 * i] = 0.5f * std::sin(2 * std::numbers::pi_v<float> * 1000.0f * i / kInputRate);
        input[2 * i + 1] = 0.0f;
    }
    auto resampler = Resampler::create(kInputRate, kOutputRate, 2);
    ASSERT_TRUE(resampler) << resampler.error().message;
    std::vector<float> output;
    for (std::size_t start = 0; start < input.size();) {
        const std::size_t count = std::min<std::size_t>(2 * 3001, input.size() - start);
        ASSERT_TRUE((*resampler)->process({input.data() + start, count}, output));
        start += count;
    }
    ASSERT_TRUE((*resampler)->flush(output));
    ASSERT_EQ(output.size(), 2u * kOutputRate);
    // Compare the middle against the ideal sine at the new rate: the filter delay is removed by
    // soxr, so only the filter's ripple and the rounding remain.
    double worst = 0;
    double rightWorst = 0;
    for (int i = 1000; i < kOutputRate - 1000; ++i) {
        const double ideal = 0.5 * std::sin(2 * std::numbers::pi * 1000.0 * i / kOutputRate);
        worst = std::max(worst, std::abs(output[2 * i] - ideal));
        rightWorst = std::max(rightWorst, std::abs(static_cast<double>(output[2 * i + 1])));
    }
    EXPECT_LT(worst, 1e-3);
    EXPECT_LT(rightWorst, 1e-5);
}

TEST(Resampler, RefusesImpossibleRates) {
    EXPECT_FALSE(Resampler::create(0, 48000, 2));
    EXPECT_FALSE(Resampler::create(48000, 44100, 0));
}

} // namespace
} // namespace korvel
