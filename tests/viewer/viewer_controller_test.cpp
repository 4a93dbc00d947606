// SPDX-License-Identifier: MIT
// The viewer's transport and readout on movies with timecode tracks written by QT_Utility.
#include "timecode/timecode.h"
#include "viewer_fixture.h"

#include <thread>

namespace korvel::viewer {
namespace {

namespace fs = std::filesystem;

fs::path scratch() {
    return korvel::test::processScratch("korvel-viewer-controller");
}

struct RateCase {
    const char* name;
    const char* ffmpegRate;
    const char* tvsys;
    bool dropFrame;
    const char* start;
};

// The readout after steps (across a dropped minute) and a jump to the end is the timecode of the
// frame on screen under each rate; PAL, back-steps and the jump to the start are read on the
// two-sample track. Deleting the track leaves only adding enabled, and closing clears the readout.
TEST(ViewerReadout, NamesTheFrameOnScreenUnderEveryRate) {
    const RateCase cases[] = {
        {"film", "24", "24 fps", false, "01:00:00:20"},
        {"ntsc non-drop", "30000/1001", "NTSC", false, "00:00:59:28"},
        {"ntsc drop frame across a minute", "30000/1001", "NTSC", true, "00:00:59;28"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto movie =
            test::makeTestMovie(scratch(), std::string(c.name) + ".mov", c.ffmpegRate, 12, 1.0);
        if (movie.empty())
            GTEST_SKIP() << "ffmpeg is not installed";
        test::ControllerRig rig;
        rig.prefs.setString("TVSys", c.tvsys);
        rig.prefs.setBoolean("DF", c.dropFrame);
        ASSERT_TRUE(rig.controller.openPath(movie));
        EXPECT_TRUE(rig.controller.canAddTC());
        rig.controller.addTimecode(c.start, "A001");
        ASSERT_TRUE(rig.controller.isTCMovie());
        EXPECT_EQ(rig.display.state.reel, "A001");
        EXPECT_TRUE(rig.display.state.deleteEnabled);
        EXPECT_FALSE(rig.display.state.addEnabled);
        const auto def = timeCodeDef(*tvSystemFromName(c.tvsys), c.dropFrame);
        const auto first = frameNumber(*parseTimeCodeFields(c.start), def);
        auto expectFrame = [&](std::int64_t frame) {
            EXPECT_EQ(rig.display.state.readout,
                      timeCodeText(timeCodeRecord(first + frame, def), c.dropFrame));
        };
        expectFrame(0);
        for (int f = 1; f <= 5; ++f) {
            rig.controller.stepfwdMovie();
            expectFrame(f);
        }
        rig.controller.ffwdMovie();
        expectFrame(static_cast<MoviePlayer*>(rig.controller.player())->clock().count() - 1);

        rig.controller.deleteTimecode();
        EXPECT_FALSE(rig.controller.isTCMovie());
        EXPECT_TRUE(rig.display.state.addEnabled);
        EXPECT_FALSE(rig.display.state.deleteEnabled);
        EXPECT_EQ(rig.display.state.readout, "no timecode");
        EXPECT_EQ(rig.display.state.reel, "no source name");
        rig.controller.closeMovie();
        EXPECT_EQ(rig.display.state.readout, "--:--:--:--");
        EXPECT_EQ(rig.display.state.fileName, "no movie loaded");
        EXPECT_FALSE(rig.controller.anyMovieLoaded());
    }
}

TEST(ViewerPoller, PlayTwiceLeavesOnePollerAndStopShowsTheExactFrame) {
    const auto movie = test::makeTestMovie(scratch(), "poller.mov", "25", 12, 2.0);
    if (movie.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::ControllerRig rig;
    rig.prefs.setString("TVSys", "PAL");
    ASSERT_TRUE(rig.controller.openPath(movie));
    rig.controller.addTimecode("01:00:00:10", "R1");
    rig.controller.ffwdMovie();
    rig.controller.playRewMovie();
    rig.controller.playRewMovie();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(rig.controller.poller().running(), 1);
    EXPECT_EQ(rig.controller.movieSpeed(), -1);
    rig.controller.stopMovie();
    rig.display.runPosted(); // readings posted before the stop are dropped
    const auto frame = static_cast<MoviePlayer*>(rig.controller.player())->currentFrame();
    const auto def = timeCodeDef(TvSystem::Pal, false);
    EXPECT_EQ(rig.display.state.readout, timeCodeText(timeCodeRecord(90010 + frame, def), false));
    EXPECT_LT(frame, 49);
}

TEST(ViewerPoller, OpeningWhilePlayingStopsThePollerFirst) {
    const auto movie = test::makeTestMovie(scratch(), "reopen.mov", "25", 12, 2.0);
    if (movie.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::ControllerRig rig;
    rig.controller.setPlayWaitScale(0.1);
    ASSERT_TRUE(rig.controller.openPath(movie));
    rig.controller.playMovie();
    ASSERT_TRUE(rig.controller.openPath(movie));
    EXPECT_EQ(rig.controller.poller().running(), 0);
    EXPECT_FALSE(rig.controller.poller().readNow());
}

TEST(ViewerTypeCode, AbandonedCheckLeavesTheTimecodeCommandsOnTheFileShown) {
    const auto movie = test::makeTestMovie(scratch(), "shown.mov", "25", 12, 1.0);
    if (movie.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    test::ControllerRig rig;
    rig.prefs.setString("TVSys", "PAL");
    ASSERT_TRUE(rig.controller.openPath(movie));
    const auto other = (scratch() / "take1.BWF").string();
    fs::copy_file(movie, other, fs::copy_options::overwrite_existing);
    rig.ui.queueAlertAnswer(kAlertAlternate); // "Abort"
    EXPECT_FALSE(rig.controller.openPath(other));
    EXPECT_EQ(rig.controller.aFile(), other);
    rig.controller.addTimecode("01:00:00:00", "R1");
    QT_Utility utility(rig.console, rig.ui);
    EXPECT_TRUE(utility.ZAN_CheckTCTrack(movie));
    EXPECT_FALSE(utility.ZAN_CheckTCTrack(other));
}

TEST(ViewerTypeCode, AutoCodeChangesTheCodeSilently) {
    test::ControllerRig rig;
    rig.prefs.setBoolean("BWFAutoCode", true);
    EXPECT_TRUE(
        checkWaveTypeCode("take1.BWF", rig.attributes, rig.prefs, rig.ui, [](std::string_view) {}));
    EXPECT_TRUE(rig.ui.alerts().empty());
    EXPECT_EQ(rig.attributes.codes["take1.BWF"], "WAVETVOD");
    rig.prefs.setBoolean("BWFAutoCode", false);
    rig.attributes.readOnly = true;
    rig.ui.queueAlertAnswer(kAlertDefault);
    std::vector<std::string> log;
    EXPECT_FALSE(checkWaveTypeCode("/x/take1.BWF", rig.attributes, rig.prefs, rig.ui,
                                   [&](std::string_view e) { log.emplace_back(e); }));
    EXPECT_EQ(log, (std::vector<std::string>{"The BWF File: /x/take1.BWF lacks a Wave Type Code.",
                                             "Unable to set Type Code of file: /x/take1.BWF."}));
}

} // namespace
} // namespace korvel::viewer
