// SPDX-License-Identifier: MIT
#include "timecode/frames2tc.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <regex>

namespace korvel {
namespace {

struct Row {
    const char* rate;
    std::uint64_t position;
    std::int32_t sampleRate;
    const char* expected;
};

// Known positions, positions above 2^32 (a 96 kHz recording started after about 12:25), starts
// at or past midnight (a recorder left running, a clock set wrong: the same time of day), whole
// hours at 768 kHz and more, and sample rates below the frame rate (zero at once, never a loop).
TEST(Frames2tcTest, KnownPositions) {
    const Row rows[] = {
        {"PAL", 0, 48000, "00:00:00:00"},
        {"PAL", 959, 48000, "00:00:00:00"},
        {"PAL", 960, 48000, "00:00:00:01"}, // half a frame rounds up
        {"PAL", 172800000, 48000, "01:00:00:00"},
        {"PAL", 4147200000, 48000, "00:00:00:00"}, // hours wrap after 23
        {"PAL", 4294967295, 48000, "00:51:18:12"},
        {"NTSC NDF", 1601, 48000, "00:00:00:00"},
        {"NTSC NDF", 1602, 48000, "00:00:00:01"},
        {"NTSC NDF", 172972800, 48000, "01:00:00:00"},
        {"NTSC DF", 800, 48000, "00:00:00;00"},
        {"NTSC DF", 801, 48000, "00:00:00;01"},
        {"NTSC DF", 2880000, 48000, "00:00:59;28"},
        {"NTSC DF", 172800000, 48000, "01:00:00;00"},
        {"NTSC DF", 4294967295, 48000, "00:51:18;17"}, // hours wrap after 23
        {"24 fps", 1000, 48000, "00:00:00:01"},
        {"24 fps", 172800000, 48000, "01:00:00:00"},
        {"PAL", 44100 * 3600, 44100, "01:00:00:00"},
        {"pal", 172800000, 48000, "00:00:00:00"},
        // The newer rates take the frame the sample falls in, exactly (no rounding up).
        {"23.976 fps", 2001, 48000, "00:00:00:00"},
        {"23.976 fps", 2002, 48000, "00:00:00:01"},
        {"30 fps", 1599, 48000, "00:00:00:00"},
        {"30 fps", 1600, 48000, "00:00:00:01"},
        {"30 fps", 48000ULL * 86401, 48000, "00:00:01:00"}, // wraps within the day
        {"50 fps", 480960, 48000, "00:00:10:01"},
        {"59.94 DF", 172800000, 48000, "01:00:00;00"},
        {"59.94 DF", 2882880, 48000, "00:01:00;04"}, // 3600 frames: labels 00 to 03 skipped
        {"59.94 NDF", 2882880, 48000, "00:01:00:00"},
        {"60 fps", 18446744073709551615ULL, 48000, "23:18:02:19"},
        {"60 fps", 96000 * 3600, 96000, "01:00:00:00"},
        {"From recorder", 960, 48000, "00:00:00:01"}, // unresolved, PAL's rules
        {"", 172800000, 48000, "00:00:00:00"},
        {"NTSC", 172800000, 48000, "00:00:00:00"},
        {"PAL", 96000ULL * 3600 * 13, 96000, "13:00:00:00"},
        {"24 fps", 192000ULL * 3600 * 7 + 192000 / 24 * 5, 192000, "07:00:00:05"},
        {"NTSC DF", 4294967296ULL * 2, 48000, "01:42:37;04"},
        {"PAL", 48000ULL * 3600 * 25, 48000, "01:00:00:00"},
        {"24 fps", 48000ULL * 3600 * 24 + 2000, 48000, "00:00:00:01"},
        {"NTSC NDF", 48048ULL * 3600 * 25, 48000, "01:00:00:00"},
        {"PAL", 96000ULL * 3600 * 123 + 96000 * 60 * 59, 96000, "03:59:00:00"},
        {"PAL", 48000ULL * 3600 * 23 + 48000 * 3599, 48000, "23:59:59:00"},
        {"PAL", 768000ULL * (7 * 3600 + 25 * 60), 768000, "07:25:00:00"},
        {"24 fps", 768000ULL * 3600 * 13 + 768000 / 24 * 3, 768000, "13:00:00:03"},
        {"PAL", 1536000ULL * (2 * 3600 + 1), 1536000, "02:00:01:00"},
        {"NTSC NDF", 768768ULL * 3600 * 2, 768000, "02:00:00:00"},
        {"PAL", 123456789, 24, "00:00:00:00"},
        {"24 fps", 123456789, 23, "00:00:00:00"},
        {"NTSC NDF", 123456789, 29, "00:00:00:00"},
        {"NTSC DF", 123456789, 29, "00:00:00:00"},
        {"PAL", 123456789, 0, "00:00:00:00"},
        {"NTSC DF", 123456789, -48000, "00:00:00:00"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(frames2tc(row.position, row.sampleRate, row.rate), row.expected)
            << row.rate << " " << row.position << " @" << row.sampleRate;
    }
}

// A corrupt time reference near 2^64 answers at once, with a time of day.
TEST(Frames2tcTest, HugePositionsKeepTheirForm) {
    const std::regex counted("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]:[0-2][0-9]");
    for (const char* rate : {"PAL", "24 fps", "NTSC NDF"}) {
        EXPECT_TRUE(std::regex_match(frames2tc(UINT64_MAX, 48000, rate), counted)) << rate;
    }
    EXPECT_TRUE(std::regex_match(frames2tc(UINT64_MAX, 48000, "NTSC DF"),
                                 std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9];[0-2][0-9]")));
}

// With whole-number units the repeated subtraction is exact, so it must agree with integer
// division everywhere, including past the thirty hours counted one by one.
TEST(Frames2tcTest, WholeFrameRatesAgreeWithIntegerArithmetic) {
    std::mt19937_64 random(20261206);
    for (const int fps : {25, 24}) {
        const char* rate = fps == 25 ? "PAL" : "24 fps";
        for (const std::int32_t sampleRate : {44100, 48000, 96000, 192000}) {
            const std::uint64_t frame = static_cast<std::uint64_t>(sampleRate / fps);
            for (int i = 0; i < 2000; ++i) {
                std::uint64_t position = random() % (1ULL << 40);
                if (i % 4 == 0) {
                    position = static_cast<std::uint64_t>(sampleRate) * 3600 * (i % 40);
                }
                std::uint64_t samples = position;
                if (2 * (position % frame) >= frame) {
                    samples += frame / 2; // whole for these rates: every frame is an even count
                }
                const std::uint64_t hour = static_cast<std::uint64_t>(sampleRate) * 3600;
                const std::uint64_t hours = samples / hour % 24;
                std::uint64_t rest = samples % hour;
                const std::uint64_t minutes = rest / (sampleRate * 60ULL);
                rest %= sampleRate * 60ULL;
                const std::uint64_t seconds = rest / sampleRate;
                const std::uint64_t frames = rest % sampleRate / frame;
                char expected[128];
                std::snprintf(expected, sizeof expected, "%02llu:%02llu:%02llu:%02llu",
                              static_cast<unsigned long long>(hours),
                              static_cast<unsigned long long>(minutes),
                              static_cast<unsigned long long>(seconds),
                              static_cast<unsigned long long>(frames));
                ASSERT_EQ(frames2tc(position, sampleRate, rate), expected)
                    << rate << " @" << sampleRate << " position " << position;
            }
        }
    }
}

} // namespace
} // namespace korvel
