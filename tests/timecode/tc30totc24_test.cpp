// SPDX-License-Identifier: MIT
#include "timecode/tc30totc24.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace korvel {
namespace {

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

} // namespace
} // namespace korvel
