// SPDX-License-Identifier: MIT
// korvel batch-add-tc run as a process: summary on standard output, log on standard error,
// exit statuses, and the store's options with --set overrides.
#include "../movie/test_media.h"
#include "run_korvel.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

class BatchAddTcCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(m_folder / "media"); }

    std::string path(const std::string& name) const { return (m_folder / name).string(); }
    std::string writeAle(const std::string& text, const std::string& name = "day.ale") const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }

    test::TempDir m_dir{"korvel-cli-batch"};
    fs::path m_folder = m_dir.path();
    TemporaryPrefs prefs;
};

TEST_F(BatchAddTcCommandTest, UsageAndRefusals) {
    const std::string notAle = writeAle("Column\nName\n");
    const CommandResult missingFolder = runKorvel(prefs.with({"batch-add-tc", notAle}));
    EXPECT_EQ(missingFolder.exitStatus, 2);
    const CommandResult noSuchFolder =
        runKorvel(prefs.with({"batch-add-tc", notAle, path("nowhere")}));
    EXPECT_EQ(noSuchFolder.exitStatus, 2);

    const CommandResult refused = runKorvel(prefs.with({"batch-add-tc", notAle, path("media")}));
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("Something is wrong here...: The file is not an ALE file!"),
              std::string::npos)
        << refused.err;

    const std::string pal = writeAle("Heading\nVIDEO_FORMAT\tPAL\nColumn\nName\tStart\tTape\nData\n"
                                     "A001\t01:00:00:00\tR1\n");
    const CommandResult conflict =
        runKorvel(prefs.with({"--tv", "NTSC", "batch-add-tc", pal, path("media")}));
    EXPECT_EQ(conflict.exitStatus, 1);
    EXPECT_NE(
        conflict.err.find("The ALE file is in PAL format but the preferences are set to NTSC!"),
        std::string::npos);
}

TEST_F(BatchAddTcCommandTest, AddsTracksAndPrintsTheSummary) {
    if (!haveProgram("ffmpeg") || !haveProgram("ffprobe")) {
        GTEST_SKIP() << "ffmpeg and ffprobe judge these movies";
    }
    ASSERT_TRUE(makeMovie(path("media/A001.mov"), MovieKind::Video));
    ASSERT_TRUE(makeMovie(path("media/A002.mov"), MovieKind::VideoAndSound));
    const std::string ale = writeAle("Heading\nVIDEO_FORMAT\tPAL\nColumn\nName\tStart\tTape\nData\n"
                                     "A001\t10:00:00:00\tR1\nA002\t11:00:00:00\tR2\n"
                                     "A003\t12:00:00:00\tR3\n");
    // A relative folder with a final slash is used as a panel would give it.
    const std::string media = fs::relative(m_folder / "media").string() + "/";
    const CommandResult first = runKorvel(prefs.with({"batch-add-tc", ale, media}));
    EXPECT_EQ(first.exitStatus, 0) << first.err;
    EXPECT_EQ(first.out, "The ALE file: day.ale contained 3 clip(s).\n"
                         "Added timecode tracks to 2 QuickTime file(s).\n"
                         "Skipped overwriting timecode tracks to 0 QuickTime file(s).\n"
                         "Could not find 1 QuickTime file(s).\n");
    EXPECT_NE(first.err.find("ERROR - The file: " + path("media/A003.mov") + " does not exists!\n"),
              std::string::npos)
        << first.err;
    EXPECT_NE(first.err.find("Found 2 QuickTime files out of 3 entries in the ALE shot log.\n"),
              std::string::npos);
    EXPECT_EQ(probeTimecode(path("media/A002.mov")).timecode, "11:00:00:00");

    // Overwriting from the command line; a row without valid timecode makes the run fail.
    const std::string again = writeAle("Heading\nColumn\nName\tStart\tTape\nData\n"
                                       "A001\t10:20:30:24\tNEW\nA002\t10:20:30:25\tBAD\n",
                                       "again.ale");
    const CommandResult second =
        runKorvel(prefs.with({"--set", "overwrite=true", "batch-add-tc", again, path("media")}));
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.out, "The ALE file: again.ale contained 2 clip(s).\n"
                          "Added timecode tracks to 1 QuickTime file(s).\n"
                          "Skipped overwriting timecode tracks to 0 QuickTime file(s).\n"
                          "Could not find 0 QuickTime file(s).\n"
                          "Could not change 1 QuickTime file(s).\n");
    EXPECT_NE(
        second.err.find("ERROR - The clip A002 has no valid timecode: 10:20:30:25 - skipping..."),
        std::string::npos);
    const ProbedTimecode replaced = probeTimecode(path("media/A001.mov"));
    EXPECT_EQ(replaced.timecode, "10:20:30:24");
    EXPECT_EQ(replaced.reel, "NEW");
    EXPECT_EQ(timecodeTrackCount(path("media/A001.mov")), 1);
    EXPECT_EQ(probeTimecode(path("media/A002.mov")).timecode, "11:00:00:00");

    // The store's choice stays: without the override the tracks are skipped.
    const CommandResult third = runKorvel(prefs.with({"batch-add-tc", ale, path("media")}));
    EXPECT_EQ(third.exitStatus, 0);
    EXPECT_NE(third.out.find("Skipped overwriting timecode tracks to 2 QuickTime file(s).\n"),
              std::string::npos)
        << third.out;
}

} // namespace
} // namespace korvel::test
