// SPDX-License-Identifier: MIT
// The viewer's transport and readout on movies with timecode tracks written by QT_Utility, and on
// a timecode track of two samples (a break in the timecode halfway through the movie): the readout
// on each side of the break names its own sample's timecode.
#include "qtff/atom.h"
#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/hdlr_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/byte_writer.h"
#include "timecode/timecode.h"
#include "viewer_fixture.h"

#include <fstream>
#include <iterator>
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

using qtff::fourCC;

constexpr std::int64_t kFrames = 100;
constexpr std::int64_t kFramesBeforeBreak = 50;
constexpr std::uint32_t kSecondSampleFrame = 10 * 3600 * 25; // 10:00:00:00 at 25 fps

qtff::Atom* timecodeSampleTable(qtff::Atom& moov) {
    for (auto& trak : moov.children) {
        auto* mdia = trak.child(fourCC("mdia"));
        const auto* hdlr = mdia ? mdia->child(fourCC("hdlr")) : nullptr;
        if (hdlr && qtff::HdlrAtom::parse(hdlr->payload)->subtype == fourCC("tmcd"))
            return mdia->find({fourCC("minf"), fourCC("stbl")});
    }
    return nullptr;
}

// ffmpeg writes one timecode sample for the whole movie, and the header last. The sample table is
// rewritten to two samples of half the track each; the second sample's frame number goes in a
// media atom of its own after the header, so no other offset moves.
bool splitTimecodeSample(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    qtff::MemoryFile mem(file);
    const auto header = qtff::scanFile(mem)->atoms.back();
    auto moov = qtff::parseAtom(std::span(file).subspan(header.offset, header.size));
    qtff::Atom* stbl = moov ? timecodeSampleTable(*moov) : nullptr;
    if (header.type != fourCC("moov") || !stbl)
        return false;
    const auto trackDuration =
        qtff::SttsAtom::parse(stbl->child(fourCC("stts"))->payload)->entries.at(0)[1];
    const auto firstOffset =
        qtff::ChunkOffsetAtom::parse(fourCC("stco"), stbl->child(fourCC("stco"))->payload)
            ->offsets.at(0);
    const std::uint32_t firstHalf = trackDuration * kFramesBeforeBreak / kFrames;
    const auto setTable = [stbl](const auto& table) {
        *stbl->child(table.type()) = qtff::toAtom(table);
    };
    setTable(qtff::SttsAtom{0, {{1, firstHalf}, {1, trackDuration - firstHalf}}});
    setTable(qtff::StszAtom{0, 4, 2, {}});
    setTable(qtff::StscAtom{0, {{1, 1, 1}}});
    setTable(qtff::ChunkOffsetAtom::of({firstOffset, 0}));
    const auto secondOffset = header.offset + qtff::atomSize(*moov) + 8;
    setTable(qtff::ChunkOffsetAtom::of({firstOffset, secondOffset}));

    std::vector<std::uint8_t> out(file.begin(), file.begin() + std::ptrdiff_t(header.offset));
    qtff::ByteWriter tail;
    tail.bytes(qtff::atomBytes(*moov));
    tail.u32(12);
    tail.fourCC(fourCC("mdat"));
    tail.u32(kSecondSampleFrame);
    out.insert(out.end(), tail.data().begin(), tail.data().end());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return true;
}

TEST(ViewerTimecodeBreak, ReadoutNamesTheSampleOnEachSideOfTheBreak) {
    const auto path = test::makeMovieCodedWith(
        korvel::test::processScratch("korvel-viewer-break"), "break.mov", "25", 4.0,
        "-c:v libx264 -g 12 -bf 2 -pix_fmt yuv420p -timecode 01:00:00:00");
    if (path.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_TRUE(splitTimecodeSample(path));

    test::ControllerRig rig;
    rig.prefs.setString("TVSys", "PAL");
    ASSERT_TRUE(rig.controller.openPath(path));
    ASSERT_TRUE(rig.controller.isTCMovie());
    auto& controller = rig.controller;
    const std::int64_t unitsPerFrame = controller.player()->timeScale() / 25;
    struct Stop {
        const char* how;
        std::function<void()> move;
        const char* readout;
    };
    auto jumpTo = [&](std::int64_t frame) {
        return
            [&controller, unitsPerFrame, frame] { controller.movieSlider(frame * unitsPerFrame); };
    };
    const Stop stops[] = {
        {"first frame", jumpTo(0), "01:00:00:00"},
        {"last frame of the first sample", jumpTo(kFramesBeforeBreak - 1), "01:00:01:24"},
        {"step over the break", [&] { controller.stepfwdMovie(); }, "10:00:00:00"},
        {"step back over it", [&] { controller.stepbackMovie(); }, "01:00:01:24"},
        {"second sample, one frame in", jumpTo(kFramesBeforeBreak + 1), "10:00:00:01"},
        {"end", [&] { controller.ffwdMovie(); }, "10:00:01:24"},
        {"start", [&] { controller.rewMovie(); }, "01:00:00:00"},
    };
    for (const Stop& stop : stops) {
        stop.move();
        EXPECT_EQ(rig.display.state.readout, stop.readout) << stop.how;
    }
}

} // namespace
} // namespace korvel::viewer
