// SPDX-License-Identifier: MIT
#include "../audio/wave_builder.h"
#include "../qtff/test_movies.h"
#include "movie/qt_utility.h"
#include "platform/scripted_user_interface.h"
#include "qtff/movie_file.h"
#include "support/output_folder_test.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

class RecordingConsole final : public Console {
  public:
    void diagnostic(std::string_view message) override { lines.emplace_back(message); }
    std::vector<std::string> lines;
};

using test::readFile;

class QTUtilityTest : public test::OutputFolderTest {
  protected:
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(path(name), bytes);
        return path(name);
    }
    std::string movie(const qtff::testing::TestMovieOptions& o = {}) {
        return write("m.mov", qtff::testing::makeTestMovie(o));
    }

    Status add(const std::string& path, std::string tc, std::string reel, std::string tvsys,
               bool df = false) {
        return utility.ZAN_AddTCTrack({path, std::move(tc), std::move(reel), std::move(tvsys), df});
    }

    RecordingConsole console;
    ScriptedUserInterface ui;
    QT_Utility utility{console, ui};
};

TEST_F(QTUtilityTest, StoresTheFrameNumberOfTheStartUnderEachSystem) {
    struct Case {
        const char* tc;
        const char* tvsys;
        bool df;
        std::int64_t frame;
        const char* text;
        std::string reel;
        std::string readReel;
    };
    const Case cases[] = {
        {"01:00:00:00", "PAL", false, 90000, "01:00:00:00", "A001", "A001"},
        {"01:00:00:00", "24 fps", false, 86400, "01:00:00:00", "", ""},
        {"01:00:00:00", "NTSC", false, 108000, "01:00:00:00", "A001", "A001"},
        {"01:00:00;00", "NTSC", true, 107892, "01:00:00;00", "A001", "A001"},
        // Drop frame only counts with NTSC; a reel keeps 255 bytes at most.
        {"01:00:00:00", "PAL", true, 90000, "01:00:00:00", std::string(300, 'R'),
         std::string(255, 'R')},
        {"1:2", "PAL", false, 1 * 90000, "01:00:00:00", "A001", "A001"}, // the fields it has
        {"ab:cd:ef:gh", "PAL", false, 0, "00:00:00:00", "A001", "A001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.tc) + " " + c.tvsys);
        const auto path = movie();
        ASSERT_TRUE(add(path, c.tc, c.reel, c.tvsys, c.df).ok());
        const auto start = utility.readStartTimecode(path);
        ASSERT_TRUE(start.has_value());
        EXPECT_EQ(start->frameNumber, c.frame);
        EXPECT_EQ(start->text, c.text);
        EXPECT_TRUE(utility.ZAN_CheckTCTrack(path));
        EXPECT_EQ(utility.ZAN_ReadSource(path), c.readReel);
    }
    EXPECT_TRUE(console.lines.empty());
}

TEST_F(QTUtilityTest, AddTwiceThenOneDeleteRemovesBoth) {
    const auto path = movie({.video = false});
    ASSERT_TRUE(add(path, "10:00:00:00", "FIRST", "PAL").ok());
    ASSERT_TRUE(add(path, "11:00:00:00", "SECOND", "PAL").ok());
    auto m = qtff::MovieFile::open(path, qtff::OpenMode::ReadOnly);
    ASSERT_EQ(qtff::timecodeTrackIds(m->movie()).size(), 2u);
    // Sound only: the sound track refers to both.
    EXPECT_EQ(m->movie().tracks()->front().references.at(0).trackIds.size(), 2u);
    EXPECT_EQ(utility.ZAN_ReadSource(path), "FIRST") << "the first timecode track answers";
    ASSERT_TRUE(utility.ZAN_DeleteTCTrack(path).ok());
    EXPECT_FALSE(utility.ZAN_CheckTCTrack(path));
    EXPECT_EQ(utility.ZAN_ReadSource(path), kNoSourceId);
    auto after = qtff::MovieFile::open(path, qtff::OpenMode::ReadOnly);
    EXPECT_TRUE(after->movie().tracks()->front().references.empty());
}

TEST_F(QTUtilityTest, MovieWithoutTimecodeIsLeftAlone) {
    const auto path = movie();
    const auto before = readFile(path);
    EXPECT_FALSE(utility.ZAN_CheckTCTrack(path));
    EXPECT_EQ(utility.ZAN_ReadSource(path), kNoSourceId);
    EXPECT_FALSE(utility.readStartTimecode(path).has_value());
    EXPECT_TRUE(utility.ZAN_DeleteTCTrack(path).ok());
    EXPECT_EQ(readFile(path), before);
}

TEST_F(QTUtilityTest, FailuresLeaveTheFileUnchangedAndSaySo) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool readOnly;
        const char* tvsys;
        const char* console;
    };
    const std::string text = "not a movie at all";
    const Case cases[] = {
        {"not a movie", {text.begin(), text.end()}, false, "PAL", "Error making new movie..."},
        {"read-only", qtff::testing::makeTestMovie(), true, "PAL", "Error opening file..."},
        {"unknown TV system", qtff::testing::makeTestMovie(), false, "SECAM", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        console.lines.clear();
        const auto path = write(std::string(c.name) + ".mov", c.bytes);
        if (c.readOnly)
            std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::group_read);
        EXPECT_FALSE(add(path, "01:00:00:00", "R", c.tvsys).ok());
        EXPECT_EQ(readFile(path), c.bytes);
        EXPECT_EQ(console.lines,
                  c.console ? std::vector<std::string>{c.console} : std::vector<std::string>{});
    }
    const auto missing = path("missing.mov");
    console.lines.clear();
    EXPECT_FALSE(utility.ZAN_CheckTCTrack(missing));
    EXPECT_EQ(console.lines, std::vector<std::string>{"Error opening file..."});
    EXPECT_FALSE(utility.ZAN_DeleteTCTrack(missing).ok());
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(utility.ZAN_ReadSource(missing), kNoSourceId);
}

TEST(GetFPS, IsTheTimeScaleOverTheFirstFrame) {
    struct Case {
        std::uint32_t movieScale, mediaScale, frame;
        bool video;
        const char* fps;
    };
    const Case cases[] = {
        {25, 25, 1, true, "25.000000"},
        {2997, 2997, 100, true, "29.969999"},
        {30000, 30000, 1001, true, "29.970030"},
        {600, 600, 20, true, "30.000000"},
        {600, 24000, 1001, true, "24.000000"}, // the frame ends at 25 (25.025) movie units
        {600, 600, 20, false, "NA"},
    };
    for (const auto& c : cases) {
        const auto bytes = qtff::testing::makeTestMovie({.video = c.video,
                                                         .timeScale = c.movieScale,
                                                         .duration = 100000,
                                                         .mediaTimeScale = c.mediaScale,
                                                         .frameDuration = c.frame});
        auto file = qtff::MovieFile::open(std::make_unique<qtff::MemoryFile>(bytes));
        ASSERT_TRUE(file.ok());
        EXPECT_EQ(getFPS(file->movie()), c.fps) << c.movieScale << "/" << c.frame;
        EXPECT_EQ(timeScale(file->movie()), std::int32_t(c.movieScale));
    }
}

TEST_F(QTUtilityTest, RefusesOrReplacesAnExistingTrackWhenAsked) {
    const auto path = movie();
    ASSERT_TRUE(add(path, "01:00:00:00", "FIRST", "PAL").ok());
    const auto before = readFile(path);
    AddTCTrackOptions refuse{path, "02:00:00:00", "SECOND", "PAL", false, false, true};
    auto status = utility.ZAN_AddTCTrack(refuse);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().kind, ErrorKind::HasTimecodeTrack);
    EXPECT_EQ(readFile(path), before);

    AddTCTrackOptions replace{path, "02:00:00:00", "SECOND", "PAL", false, true, true};
    ASSERT_TRUE(utility.ZAN_AddTCTrack(replace).ok());
    EXPECT_EQ(utility.ZAN_ReadSource(path), "SECOND");
    auto m = qtff::MovieFile::open(path, qtff::OpenMode::ReadOnly);
    EXPECT_EQ(qtff::timecodeTrackIds(m->movie()).size(), 1u);
}

} // namespace
} // namespace korvel
