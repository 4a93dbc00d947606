// SPDX-License-Identifier: MIT
// Batch Add TC on movies made by ffmpeg, judged by ffprobe and mediainfo: the start timecode and
// reel each movie carries afterwards, the log and summary, and media packets left as they were.
#include "movie/batch_add_tc.h"
#include "movie/qt_utility.h"
#include "platform/console.h"
#include "platform/scripted_user_interface.h"
#include "test_media.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::MovieKind;

class NullConsole final : public Console {
  public:
    void diagnostic(std::string_view) override {}
};

class BatchAddTcMoviesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::haveProgram("ffmpeg") || !test::haveProgram("ffprobe")) {
            GTEST_SKIP() << "ffmpeg and ffprobe judge these movies";
        }
        fs::create_directories(m_folder / "media");
    }

    std::string movie(const std::string& name) const {
        return (m_folder / "media" / name).string();
    }
    void make(const std::string& name, MovieKind kind, const std::string& extra = {}) {
        ASSERT_TRUE(test::makeMovie(movie(name), kind, extra)) << name;
    }

    Result<BatchAddTcSummary> run(const std::string& aleText, SetMovieTCFromAleOptions options) {
        const std::string alePath = (m_folder / "log.ale").string();
        std::ofstream(alePath, std::ios::binary) << aleText;
        options.alePath = alePath;
        options.mediaFolder = (m_folder / "media").string();
        BatchAddTc batch(
            ui, [this](std::string_view entry) { log.emplace_back(entry); },
            timecodeTrackOperations(m_console, ui));
        return batch.setMovieTCFromAle(options);
    }

    test::TempDir m_dir{"korvel-batch-movies"};
    fs::path m_folder = m_dir.path();
    NullConsole m_console;
    ScriptedUserInterface ui;
    std::vector<std::string> log;
};

TEST_F(BatchAddTcMoviesTest, PalBatchAddsSkipsMissesAndRefuses) {
    make("A001.mov", MovieKind::Video);
    make("A002.mov", MovieKind::VideoAndSound, "-movflags +faststart");
    make("A003.mov", MovieKind::SoundOnly);
    make("A006.mov", MovieKind::Video, "-timecode 09:00:00:00");
    make("A007.mov", MovieKind::Video);
    std::ofstream(movie("A005.mov")) << "not a movie at all";
    std::map<std::string, std::string> hashes;
    for (const char* name : {"A001.mov", "A002.mov", "A003.mov", "A006.mov", "A007.mov"}) {
        hashes[name] = test::mediaHash(movie(name));
        ASSERT_FALSE(hashes[name].empty()) << name;
    }

    const auto summary = run("Heading\r\nFIELD_DELIM\tTABS\r\nVIDEO_FORMAT\tPAL\r\n\r\n"
                             "Column\r\nName\tTracks\tStart\tEnd\tTape\r\n\r\nData\r\n"
                             "A001\tV\t10:00:00:00\t10:00:01:00\tREEL_1\r\n"
                             "A002.mov\tVA1\t01:02:03:04\t01:02:04:04\tDay 2\r\n"
                             "A003\tA1\t23:59:59:24\t00:00:00:24\tSND\r\n"
                             "A004\tV\t10:00:00:00\t10:00:01:00\tR4\r\n"
                             "A005\tV\t10:00:00:00\t10:00:01:00\tR5\r\n"
                             "\r\n"
                             "A006\tV\t11:00:00:00\t11:00:01:00\tR6\r\n"
                             "A007\tV\t10:00:00:xx\t10:00:01:00\tR7",
                             SetMovieTCFromAleOptions{});
    ASSERT_TRUE(summary.ok());

    // The refusal carries qtff's reason; the fake-movie tests hold the other log lines.
    const std::string refusal =
        "ERROR - Could not add a timecode track to the file: " + movie("A005.mov") + " (";
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [&](const std::string& line) { return line.starts_with(refusal); }),
              1);
    EXPECT_EQ(ui.summaryLines(), (std::vector<std::string>{
                                     "The ALE file: log.ale contained 7 clip(s).",
                                     "Added timecode tracks to 3 QuickTime file(s).",
                                     "Skipped overwriting timecode tracks to 1 QuickTime file(s).",
                                     "Could not find 1 QuickTime file(s).",
                                     "Could not change 2 QuickTime file(s).",
                                 }));

    struct Expected {
        const char* name;
        const char* timecode;
        const char* reel;
    };
    const Expected expected[] = {
        {"A001.mov", "10:00:00:00", "REEL_1"},
        {"A002.mov", "01:02:03:04", "Day 2"},
        {"A003.mov", "23:59:59:24", "SND"},
        {"A006.mov", "09:00:00:00", ""}, // skipped: ffmpeg's own track stays
        {"A007.mov", "", ""},            // never written as 00:00:00:00
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        const test::ProbedTimecode probed = test::probeTimecode(movie(e.name));
        EXPECT_EQ(probed.timecode, e.timecode);
        EXPECT_EQ(probed.reel, e.reel);
        EXPECT_EQ(test::mediaHash(movie(e.name)), hashes[e.name]);
    }
    std::ifstream refused(movie("A005.mov"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(refused), {}), "not a movie at all");
    if (test::haveProgram("mediainfo")) {
        EXPECT_EQ(test::mediainfoFirstTimecode(movie("A002.mov")), "01:02:03:04");
    }
}

// NTSC drop and non-drop frame taken from each timecode's text, 24 fps converted from 30 fps,
// and overwriting: every movie ends with exactly one timecode track, the new one. 59.94 drop
// frame; a movie whose picture runs at 25 still gets its track, and the log names both rates.
TEST_F(BatchAddTcMoviesTest, OtherRatesAndOverwrite) {
    make("B001.mov", MovieKind::Video, "-timecode 09:00:00:00");
    make("B002.mov", MovieKind::VideoAndSound);
    make("B003", MovieKind::Video, "-f mov");
    make("C001.mov", MovieKind::Video, "-r 60000/1001");
    const std::string hash = test::mediaHash(movie("B001.mov"));
    const auto expect = [this](const std::string& name, const char* timecode, const char* reel) {
        const test::ProbedTimecode probed = test::probeTimecode(movie(name));
        EXPECT_EQ(probed.timecode, timecode) << name;
        EXPECT_EQ(probed.reel, reel) << name;
        EXPECT_EQ(test::timecodeTrackCount(movie(name)), 1) << name;
    };

    SetMovieTCFromAleOptions options;
    options.tvsys = "NTSC";
    options.overwrite = true;
    ASSERT_TRUE(run("Heading\nVIDEO_FORMAT\tNTSC\nColumn\nName\tStart\tTape\nData\n"
                    "B001\t01:00:00;00\tN1\nB002\t00:59:59:29\tN2\n",
                    options));
    expect("B001.mov", "01:00:00;00", "N1");
    expect("B002.mov", "00:59:59:29", "N2");

    options.tvsys = "24 fps";
    options.convertTo24TC = true;
    options.movieExtension = "None";
    ASSERT_TRUE(run("Heading\rColumn\rName\tStart\tTape\rData\rB001.mov\t10:00:00:29\tF1\r"
                    "B003\t10:00:00:15\tF3\r",
                    options));
    expect("B001.mov", "10:00:00:23", "F1");
    expect("B003", "10:00:00:12", "F3");
    EXPECT_EQ(test::mediaHash(movie("B001.mov")), hash);

    options = {};
    options.tvsys = "59.94 fps";
    options.overwrite = true;
    ASSERT_TRUE(run("Heading\nFPS\t59.94\nColumn\nName\tStart\tTape\nData\n"
                    "C001\t00:09:59;59\tD1\nB002\t10:00:00:00\tD2\n",
                    options));
    expect("C001.mov", "00:09:59;59", "D1");
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) {
                                return line.find("runs at 25.000 fps, but its timecode track "
                                                 "counts 59.94 fps") != std::string::npos;
                            }),
              1);
}

} // namespace
} // namespace korvel
