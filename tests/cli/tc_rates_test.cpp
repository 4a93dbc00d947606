// SPDX-License-Identifier: MIT
// Movies that ffmpeg makes at each of the newer rates get their timecode track from `korvel tc
// add`; ffprobe and mediainfo must read back the start, drop frame and reel, and the track must
// run exactly as long as the picture, so that the last frame's timecode is the start plus the
// frames before it.

#include "run_korvel.h"
#include "support/outside_tools.h"
#include "timecode/timecode.h"

#include <cmath>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

struct RateCase {
    const char* tvSystem;
    const char* ffmpegRate;
    bool dropFrame;
    int seconds;
    const char* start;
    std::int64_t frames; // what ffmpeg makes of the seconds at the rate
    const char* last;    // the last frame's timecode, counted by hand
};

const RateCase kCases[] = {
    {"23.976 fps", "24000/1001", false, 3, "10:00:00:00", 72, "10:00:02:23"},
    {"30 fps", "30", false, 3, "01:00:00:00", 90, "01:00:02:29"},
    {"50 fps", "50", false, 3, "23:59:58:40", 150, "00:00:01:39"}, // runs past midnight
    // Over a minute that skips labels 00 to 03, and over ten minutes of them.
    {"59.94 fps", "60000/1001", true, 3, "00:00:58;30", 180, "00:01:01;33"},
    {"59.94 fps", "60000/1001", true, 600, "00:59:55;00", 35965, "01:09:55;00"},
    {"59.94 fps", "60000/1001", false, 3, "01:00:00:00", 180, "01:00:02:59"},
    {"60 fps", "60", false, 3, "12:34:56:59", 180, "12:34:59:58"},
};

bool haveJudges() {
    return haveProgram("ffmpeg") && haveProgram("ffprobe") && haveProgram("mediainfo");
}

// A tiny picture keeps even ten minutes quick to make.
std::string makeMovie(const TempDir& dir, const std::string& name, const std::string& rate,
                      int seconds) {
    const std::string path = dir.file(name + ".mov");
    const auto made = runCommand("ffmpeg -v error -y -f lavfi -i color=size=64x36:rate=" + rate +
                                 ":duration=" + std::to_string(seconds) + " -c:v mpeg4 -g 600 " +
                                 shellQuote(path) + " 2>&1");
    EXPECT_EQ(made.status, 0) << made.output;
    return path;
}

// One stream value of ffprobe ("v" or "d" streams), the first of its kind.
std::string probe(const std::string& path, const std::string& streams, const std::string& entries) {
    return runCommand("ffprobe -v error -select_streams " + streams +
                      " -count_frames -show_entries " + entries +
                      " -of default=noprint_wrappers=1 " + shellQuote(path))
        .output;
}

std::string mediainfoTimecode(const std::string& path, const std::string& field) {
    auto out =
        runCommand("mediainfo --Output=\"Other;%" + field + "%\\n\" " + shellQuote(path)).output;
    return out.substr(0, out.find('\n'));
}

class TcRates : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!haveJudges())
            GTEST_SKIP() << "ffmpeg, ffprobe or mediainfo is not installed";
    }
    TempDir m_dir{"korvel-tc-rates"};
    TemporaryPrefs m_prefs;
};

TEST_F(TcRates, TracksReadBackAndRunWithThePicture) {
    int index = 0;
    for (const RateCase& c : kCases) {
        SCOPED_TRACE(std::string(c.tvSystem) + (c.dropFrame ? " DF" : ""));
        const std::string movie =
            makeMovie(m_dir, "m" + std::to_string(index++), c.ffmpegRate, c.seconds);
        const auto added =
            runKorvel(m_prefs.with({"--tv", c.tvSystem, c.dropFrame ? "--df" : "--no-df", "tc",
                                    "add", movie, "--tc", c.start, "--reel", "R7"}));
        ASSERT_EQ(added.exitStatus, 0) << added.err;
        EXPECT_EQ(added.err.find("Note:"), std::string::npos) << added.err;

        const std::string data =
            probe(movie, "d", "stream=duration:stream_tags=timecode,reel_name");
        EXPECT_EQ(valueOf(data, "TAG:timecode"), c.start);
        EXPECT_EQ(valueOf(data, "TAG:reel_name"), "R7");
        EXPECT_EQ(mediainfoTimecode(movie, "TimeCode_FirstFrame"), c.start);
        EXPECT_EQ(mediainfoTimecode(movie, "Title"), "R7");

        // No drift: the track lasts as long as the picture, to within a frame's rounding.
        const std::string video = probe(movie, "v", "stream=duration,nb_read_frames");
        const double videoSeconds = std::stod(valueOf(video, "duration"));
        const double trackSeconds = std::stod(valueOf(data, "duration"));
        const auto system = *TvSystem::parse(c.tvSystem);
        const Rational rate = system.frameRate();
        const double frameSeconds = double(rate.denominator) / double(rate.numerator);
        EXPECT_LT(std::abs(trackSeconds - videoSeconds), frameSeconds / 2);
        // The last frame: as many frames as the picture's duration holds, and its timecode by our
        // arithmetic is the one counted by hand.
        const std::int64_t frames = std::stoll(valueOf(video, "nb_read_frames"));
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(std::llround(videoSeconds / frameSeconds), c.frames);
        const TimeCodeDef def = system.timeCodeDef(c.dropFrame);
        const auto start = TimeCode::parse(c.start, system);
        ASSERT_TRUE(start);
        EXPECT_EQ(timeCodeText(timeCodeRecord(frameNumber(start->record(), def) + frames - 1, def),
                               c.dropFrame),
                  c.last);

        const auto read = runKorvel(m_prefs.with({"tc", "read", movie}));
        EXPECT_EQ(read.out, std::string(c.start) + "\nR7\n");
    }
}

// A track whose TV system is not the picture's rate is added, with a note naming both.
TEST_F(TcRates, OtherPictureRateIsNoted) {
    const std::string movie = makeMovie(m_dir, "ntsc", "30000/1001", 1);
    const auto added =
        runKorvel(m_prefs.with({"--tv", "PAL", "tc", "add", movie, "--tc", "01:00:00:00"}));
    ASSERT_EQ(added.exitStatus, 0) << added.err;
    EXPECT_NE(added.err.find("runs at 29.970 fps, but its timecode track counts PAL (25.000 fps)"),
              std::string::npos)
        << added.err;
}

} // namespace
} // namespace korvel::test
