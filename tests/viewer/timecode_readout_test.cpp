// SPDX-License-Identifier: MIT
#include "viewer/timecode_readout.h"

#include <gtest/gtest.h>

namespace korvel::viewer {
namespace {

const TimeCodeDef kPal{kTc24HourMax, 25, 1, 25, 0};
const TimeCodeDef kFilm{kTc24HourMax, 24, 1, 24, 0};
const TimeCodeDef kNtscDf{kTc24HourMax | kTcDropFrame, 2997, 100, 30, 0};
const TimeCodeDef kNtscNdf{kTc24HourMax, 2997, 100, 30, 0};
const TimeCodeDef kPalNoWrap{0, 25, 1, 25, 0};

struct ReadoutCase {
    const char* name;
    TimeCodeDef def;
    std::int64_t frame;
    const char* text;
};

TEST(ReadoutText, NamesTheFrameUnderEveryCounting) {
    const ReadoutCase cases[] = {
        {"pal start of hour", kPal, 90000, "01:00:00:00"},
        {"film last frame of a second", kFilm, 23, "00:00:00:23"},
        {"ndf one minute", kNtscNdf, 1800, "00:01:00:00"},
        {"df before first dropped minute", kNtscDf, 1799, "00:00:59;29"},
        {"df first dropped minute skips 00 and 01", kNtscDf, 1800, "00:01:00;02"},
        {"df tenth minute keeps 00", kNtscDf, 17982, "00:10:00;00"},
        {"df last frame of the day", kNtscDf, 2589407, "23:59:59;29"},
        {"df wraps after 24 hours", kNtscDf, 2589408, "00:00:00;00"},
        {"pal wraps after 24 hours", kPal, 86400 * 25 + 3, "00:00:00:03"},
        {"pal negative counts back from midnight", kPal, -1, "23:59:59:24"},
        {"without the wrap flag hours count on", kPalNoWrap, 86400 * 25 + 3, "24:00:00:03"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readoutText(c.frame, c.def), std::optional<std::string>(c.text));
    }
}

TEST(ReadoutText, NoFramesPerSecondIsNoTimecode) {
    EXPECT_EQ(readoutText(100, TimeCodeDef{0, 25, 1, 0, 0}), std::nullopt);
}

TEST(RunningFrame, CountsTheWorkedExamples) {
    // Time scale 600: NTSC gives 29 fps and 20 units a frame, so one second is 30 frames.
    EXPECT_EQ(runningFrame(1000, 600, 600, kNtscDf), 1030);
    EXPECT_EQ(runningFrame(1000, 600, 600, kPal), 1025);
    // Reverse play truncates toward zero, counting down.
    EXPECT_EQ(runningFrame(1000, -25, 600, kPal), 999);
}

TEST(RunningFrame, UndefinedDivisionsGiveNoFrame) {
    EXPECT_EQ(runningFrame(0, 600, 600, TimeCodeDef{0, 1, 100, 25, 0}), std::nullopt); // 0 fps
    EXPECT_EQ(runningFrame(0, 600, 10, kPal), std::nullopt); // 0 units a frame
    EXPECT_EQ(runningFrame(0, 600, 600, TimeCodeDef{0, 25, 0, 25, 0}), std::nullopt);
}

} // namespace
} // namespace korvel::viewer
