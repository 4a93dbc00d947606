// SPDX-License-Identifier: MIT
#include "timecode/frames2tc.h"
#include "timecode/tc30totc24.h"
#include "timecode/timecode.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <regex>

namespace korvel {
namespace {

TEST(DropFrameCountingTest, KnownFrames) {
    const TimeCodeDef df = timeCodeDef(TvSystem::Ntsc, true);
    struct Row {
        std::int64_t frame;
        const char* text;
    };
    const Row rows[] = {
        {0, "00:00:00;00"},       {1799, "00:00:59;29"},    {1800, "00:01:00;02"},
        {3597, "00:01:59;29"},    {3598, "00:02:00;02"},    {17981, "00:09:59;29"},
        {17982, "00:10:00;00"},   {17983, "00:10:00;01"},   {19781, "00:10:59;29"},
        {19782, "00:11:00;02"},   {107891, "00:59:59;29"},  {107892, "01:00:00;00"},
        {2589407, "23:59:59;29"}, {2589408, "00:00:00;00"}, {-1, "23:59:59;29"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(timeCodeText(timeCodeRecord(row.frame, df), true), row.text) << row.frame;
    }
}

// Every frame of a day survives frame -> text -> frame, under each counting rule.
TEST(CountingRoundTripTest, EveryFrameOfADay) {
    struct Row {
        TvSystem system;
        bool dropFrame;
        std::int64_t framesPerDay;
    };
    const Row rows[] = {
        {TvSystem::Pal, false, 86400 * 25},       {TvSystem::Film24, false, 86400 * 24},
        {TvSystem::Ntsc, false, 86400 * 30},      {TvSystem::Ntsc, true, kDropFrameFramesPerDay},
        {TvSystem::Film23976, false, 86400 * 24}, {TvSystem::Fps30, false, 86400 * 30},
        {TvSystem::Fps50, false, 86400 * 50},     {TvSystem::Fps5994, false, 86400 * 60},
        {TvSystem::Fps5994, true, 144 * 35964},   {TvSystem::Fps60, false, 86400 * 60},
    };
    for (const Row& row : rows) {
        const TimeCodeDef def = timeCodeDef(row.system, row.dropFrame);
        EXPECT_EQ(framesPerDay(def), row.framesPerDay) << tvSystemName(row.system);
        std::int64_t mismatches = 0;
        for (std::int64_t frame = 0; frame < row.framesPerDay; ++frame) {
            const std::string text = timeCodeText(timeCodeRecord(frame, def), row.dropFrame);
            const auto fields = parseTimeCodeFields(text);
            if (!fields || !isValidTimeCodeText(text, row.system) ||
                isDropFrameText(text) != row.dropFrame || frameNumber(*fields, def) != frame) {
                if (++mismatches <= 5) {
                    ADD_FAILURE() << tvSystemName(row.system) << " frame " << frame << " -> "
                                  << text;
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << tvSystemName(row.system) << " df=" << row.dropFrame;
    }
}

// NTSC drop-frame texts read back are fixed by the known frames and the round trip above.
TEST(NonDropCountingTest, FormulaAndWrap) {
    const TimeCodeDef pal = timeCodeDef(TvSystem::Pal, false);
    EXPECT_EQ(frameNumber({1, 0, 0, 0}, pal), 90000);
    EXPECT_EQ(frameNumber({10, 20, 30, 24}, pal), ((10 * 60 + 20) * 60 + 30) * 25 + 24);
    EXPECT_EQ(timeCodeText(timeCodeRecord(86400 * 25, pal), false), "00:00:00:00");
    EXPECT_EQ(frameNumber({1, 0, 0, 0}, timeCodeDef(TvSystem::Ntsc, false)), 108000);
    // 59.94 drop frame skips four labels a minute.
    const TimeCodeDef df60 = timeCodeDef(TvSystem::Fps5994, true);
    EXPECT_EQ(frameNumber({1, 0, 0, 0}, df60), 216000 - 4 * 54);
    EXPECT_EQ(timeCodeText(timeCodeRecord(3599, df60), true), "00:00:59;59");
    EXPECT_EQ(timeCodeText(timeCodeRecord(3600, df60), true), "00:01:00;04");
    EXPECT_EQ(frameNumber({0, 10, 0, 0}, df60), 35964);
}

TEST(TvSystemTest, ParsedFromStoredTextWithTheirDefinitions) {
    const struct {
        std::string_view name;
        int framesPerSecond;
        Rational rate;
        TimeCodeDef def; // without drop frame
        bool dropFrameAllowed;
    } rows[] = {
        {"PAL", 25, {25, 1}, {2, 25, 1, 25, 0}, false},
        {"NTSC", 30, {30000, 1001}, {2, 2997, 100, 30, 0}, true},
        {"24 fps", 24, {24, 1}, {2, 24, 1, 24, 0}, false},
        {"23.976 fps", 24, {24000, 1001}, {2, 24000, 1001, 24, 0}, false},
        {"30 fps", 30, {30, 1}, {2, 30, 1, 30, 0}, false},
        {"50 fps", 50, {50, 1}, {2, 50, 1, 50, 0}, false},
        {"59.94 fps", 60, {60000, 1001}, {2, 60000, 1001, 60, 0}, true},
        {"60 fps", 60, {60, 1}, {2, 60, 1, 60, 0}, false},
    };
    for (const auto& row : rows) {
        const auto system = TvSystem::parse(row.name);
        ASSERT_TRUE(system) << row.name;
        EXPECT_EQ(system->name(), row.name);
        EXPECT_EQ(system->framesPerSecond(), row.framesPerSecond) << row.name;
        EXPECT_EQ(system->frameRate(), row.rate) << row.name;
        EXPECT_EQ(system->timeCodeDef(false), row.def) << row.name;
        // The tmcd flags: 24-hour maximum always, drop frame only where it is allowed.
        TimeCodeDef dropped = row.def;
        dropped.flags = row.dropFrameAllowed ? 3 : 2;
        EXPECT_EQ(system->timeCodeDef(true), dropped) << row.name;
        EXPECT_EQ(system->dropFrameAllowed(), row.dropFrameAllowed) << row.name;
    }
    for (std::string_view wrong :
         {"", "pal", "Ntsc", "PAL ", "24 FPS", "NTSC DF", "25 fps", "23.98 fps", "59.94"}) {
        EXPECT_FALSE(TvSystem::parse(wrong)) << wrong;
    }
}

TEST(TimeCodeTextTest, ValidityCheck) {
    struct Row {
        const char* text;
        int fps;
        bool valid;
    };
    const Row rows[] = {
        {"00:00:00:00", 25, true},   {"23:59:59:24", 25, true},
        {"24:00:00:00", 25, false},  {"25:00:00:00", 25, false},
        {"99:59:59:24", 25, false},  {"01:00:00;00", 30, true},
        {"01:00:00:29", 30, true},   {"01:00:00:30", 30, false},
        {"01:00:00:25", 25, false},  {"01:00:00:24", 24, false},
        {"01:00:00:23", 24, true},   {"01:60:00:00", 25, false},
        {"01:00:60:00", 25, false},  {"1:00:00:00", 25, false},
        {"01:00:00:000", 25, false}, {"01-00-00-00", 25, false},
        {"01:00:00.00", 25, false},  {"0a:00:00:00", 25, false},
        {"01:00:00:0 ", 25, false},  {"", 25, false},
        {"-1:00:00:00", 25, false},  {"01;00;00;00", 30, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isValidTimeCodeText(row.text, row.fps, false), row.valid)
            << row.text << " @" << row.fps;
    }
}

// Drop-frame counting skips frames 00 and 01 of every minute not divisible by ten: those labels
// name no frame, and are refused rather than counted as the frame before.
TEST(TimeCodeTextTest, DropFrameLabelsThatAreSkippedAreRefused) {
    struct Row {
        const char* text;
        TvSystem system;
        bool valid;
    };
    const Row rows[] = {
        {"00:01:00;00", TvSystem::Ntsc, false},  {"00:01:00;01", TvSystem::Ntsc, false},
        {"00:01:00;02", TvSystem::Ntsc, true},   {"00:10:00;00", TvSystem::Ntsc, true},
        {"01:00:00;00", TvSystem::Ntsc, true},   {"23:59:00;01", TvSystem::Ntsc, false},
        {"23:50:00;01", TvSystem::Ntsc, true},   {"00:01:01;00", TvSystem::Ntsc, true},
        {"00:01:00:00", TvSystem::Ntsc, true}, // non-drop text: every label counts
        {"00:01:00;00", TvSystem::Pal, true},  // ';' makes drop frame under NTSC only
        {"00:01:00;00", TvSystem::Film24, true}, {"24:00:00;00", TvSystem::Ntsc, false},
        {"25:00:00:00", TvSystem::Pal, false},   {"23:59:59;29", TvSystem::Ntsc, true},
        {"23:59:59:23", TvSystem::Film24, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isValidTimeCodeText(row.text, row.system), row.valid)
            << row.text << " " << tvSystemName(row.system);
    }
    // Counted as drop frame whatever the separator says (the "DF" switch of tc add).
    EXPECT_FALSE(isValidTimeCodeText("00:01:00:00", 30, true));
    EXPECT_TRUE(isValidTimeCodeText("00:01:00:02", 30, true));
}

TEST(TimeCodeTextTest, DropFrameAndFieldsComeFromFixedPositions) {
    EXPECT_TRUE(isDropFrameText("01:00:00;00"));
    EXPECT_FALSE(isDropFrameText("01;00;00"));
    EXPECT_FALSE(isDropFrameText(""));
    // The separators are not inspected by the field reader; the validity check sees them.
    EXPECT_EQ(parseTimeCodeFields("12x34y56z78"), (TimeCodeRecord{12, 34, 56, 78}));
    EXPECT_EQ(parseTimeCodeFields("01:02:03:04 and more"), (TimeCodeRecord{1, 2, 3, 4}));
    EXPECT_FALSE(parseTimeCodeFields("01:02:03:4"));
    EXPECT_FALSE(parseTimeCodeFields("01:02:03:4x"));
}

TEST(Tc30totc24Test, EveryFrameFieldIsTheNearestTwentyFourthFrame) {
    const char* const expected[30] = {"00", "01", "02", "02", "03", "04", "05", "06", "06", "07",
                                      "08", "09", "10", "10", "11", "12", "13", "14", "14", "15",
                                      "16", "17", "18", "18", "19", "20", "21", "22", "22", "23"};
    for (int frame = 0; frame < 30; ++frame) {
        char text[16];
        std::snprintf(text, sizeof text, "01:02:03:%02d", frame);
        EXPECT_EQ(tc30totc24(text), std::string("01:02:03:") + expected[frame]) << text;
        EXPECT_EQ(std::lround(frame * 0.8), std::stoi(expected[frame])) << frame;
    }
}

TEST(Tc30totc24Test, KeepsSeparatorAndRefusesWhatItCannotConvert) {
    EXPECT_EQ(tc30totc24("01:00:00;15"), "01:00:00;12");
    EXPECT_EQ(tc30totc24("01:02:03:15 extra"), "01:02:03:12");
    EXPECT_EQ(tc30totc24("ab:cd:ef:29"), "ab:cd:ef:23"); // only the frame field is read
    for (const char* text : {"", "01:02:03:1", "01:02:03:30", "01:02:03:99", "01:02:03:1x",
                             "01:02:03: 1", "01:02:03:-1"}) {
        EXPECT_FALSE(tc30totc24(text)) << text;
    }
}

struct PositionRow {
    const char* rate;
    std::uint64_t position;
    std::int32_t sampleRate;
    const char* expected;
};

// Known positions, positions above 2^32 (a 96 kHz recording started after about 12:25), starts
// at or past midnight (a recorder left running, a clock set wrong: the same time of day), whole
// hours at 768 kHz and more, and sample rates below the frame rate (zero at once, never a loop).
TEST(Frames2tcTest, KnownPositions) {
    const PositionRow rows[] = {
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
    for (const PositionRow& row : rows) {
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
