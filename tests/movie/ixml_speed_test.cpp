// SPDX-License-Identifier: MIT
#include "movie/bwf_reader.h"
#include "movie/ixml_speed.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(RecorderRateTest, ReadsTheSpeedElementOnly) {
    const struct {
        std::string_view ixml;
        std::optional<RecorderRate> expected;
    } cases[] = {
        {"<BWFXML><SPEED><TIMECODE_RATE>24000/1001</TIMECODE_RATE>"
         "<TIMECODE_FLAG>NDF</TIMECODE_FLAG></SPEED></BWFXML>",
         RecorderRate{{24000, 1001}, false}},
        {"<SPEED>\n <TIMECODE_FLAG> DF </TIMECODE_FLAG>\n <TIMECODE_RATE>30000/1001</TIMECODE_RATE>"
         "</SPEED>",
         RecorderRate{{30000, 1001}, true}},
        {"<SPEED><TIMECODE_RATE>60000/1001</TIMECODE_RATE><TIMECODE_FLAG>df</TIMECODE_FLAG></"
         "SPEED>",
         RecorderRate{{60000, 1001}, false}},
        // Outside SPEED, broken, or not a fraction of positive whole numbers.
        {"<TIMECODE_RATE>25/1</TIMECODE_RATE>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE>", std::nullopt},
        {"<SPEED></SPEED><TIMECODE_RATE>25/1</TIMECODE_RATE>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25</TIMECODE_RATE></SPEED>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25/0</TIMECODE_RATE></SPEED>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>25.0/1</TIMECODE_RATE></SPEED>", std::nullopt},
        {"<SPEED><TIMECODE_RATE>1234567890/1</TIMECODE_RATE></SPEED>", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseRecorderRate(c.ixml), c.expected) << c.ixml;
    }
}

TEST(RecorderRateTest, FromRecorderResolvesToAFixedChoice) {
    const BwfFrameRate fromRecorder{BwfFrameRate::Kind::FromRecorder};
    const struct {
        std::optional<RecorderRate> recorder;
        std::string_view used;
    } cases[] = {
        {RecorderRate{{24000, 1001}, false}, "23.976 fps"},
        {RecorderRate{{25, 1}, true}, "PAL"}, // no drop frame at 25
        {RecorderRate{{30000, 1001}, true}, "NTSC DF"},
        {RecorderRate{{60000, 1001}, true}, "59.94 DF"},
        {RecorderRate{{120000, 2002}, false}, "59.94 NDF"},
        {RecorderRate{{48, 1}, false}, "PAL"}, // a rate no choice has
        {std::nullopt, "PAL"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(usedFrameRate(fromRecorder, c.recorder).name(), c.used)
            << (c.recorder ? c.recorder->text() : "none");
    }
    // A fixed choice stays itself whatever the recorder wrote.
    EXPECT_EQ(usedFrameRate(*BwfFrameRate::parse("NTSC DF"), RecorderRate{{25, 1}, false}).name(),
              "NTSC DF");
}

} // namespace
} // namespace korvel
