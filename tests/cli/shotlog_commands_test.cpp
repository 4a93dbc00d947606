// SPDX-License-Identifier: MIT
#include "run_korvel.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

class Ale2fcpCommand : public OutputFolderTest {};
class Fcp2aleCommand : public OutputFolderTest {};

const std::string kAle =
    "Heading\r\nVIDEO_FORMAT\tPAL\r\nColumn\r\nName\tStart\tEnd\tTracks\tTape\r\n"
    "Data\r\nn1\t01:00:00:00\t01:00:01:00\tVA1\tT\r\nn2\t02:00:00:00\t02:00:01:00\tA2\tT";
const std::string kBatchList = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\r"
                               "a\t1\t2\t1V\t\tR\tClip\r- Bin A\rb\t3\t4\t2A\t\tR\tClip\r"
                               "- Bin A\rc\t5\t6\t1A\tA1\tR\tClip\r";
const std::string kPalHead =
    "Heading\rFIELD_DELIM\tTABS\rVIDEO_FORMAT\tPAL\rAUDIO_FORMAT\t48khz\r"
    "TAPE\tUnknown\rFPS\t25\r\rColumn\rName\tStart\tEnd\tTracks\tTape\r\rData\r";

TEST_F(Ale2fcpCommand, WritesBesideTheAleAndLogs) {
    TemporaryPrefs prefs;
    const std::string ale = writeText("Scene12.ALE", kAle);
    const CommandResult result = runKorvel(prefs.with({"ale2fcp", ale, "--log", path("log.txt")}));
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(
        readText(path("Scene12.txt")),
        "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\r"
        "n1\t01:00:00:00\t01:00:01:00\t1V, 1A\tA1\tT\rn2\t02:00:00:00\t02:00:01:00\t1A\tA2\tT\r");
    EXPECT_EQ(readText(path("log.txt")),
              "Korvel Tools version 1.2.1\r\rale2fcp video format: PAL\r"
              "The ALE file has Windows line breaks!\rThe ALE file has PAL video format\r"
              "Starting to convert the ALE shot log...\rFinished converting 2 clips.\r");
    EXPECT_NE(result.err.find("Finished converting 2 clips.\n"), std::string::npos);
}

TEST_F(Ale2fcpCommand, StandardOutputAndOverrides) {
    TemporaryPrefs prefs;
    const std::string ale = writeText("a.ale", kAle);
    const CommandResult result =
        runKorvel(prefs.with({"--set", "aleCopyName=true", "--set",
                              "modifyNameData=Truncate, add \".MOV\"", "ale2fcp", ale, "-o", "-"}));
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tLabel 2\r"
                          "n1.MOV\t01:00:00:00\t01:00:01:00\t1V, 1A\tA1\tT\tn1\r"
                          "n2.MOV\t02:00:00:00\t02:00:01:00\t1A\tA2\tT\tn2\r");
}

TEST_F(Ale2fcpCommand, RefusalsAndExistingFiles) {
    TemporaryPrefs prefs;
    const std::string ale = writeText("a.ale", kAle);
    CommandResult result = runKorvel(prefs.with({"--tv", "NTSC", "ale2fcp", ale}));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("Video Format confusion...: The ALE file is in PAL format but the "
                              "preferences are set to NTSC!"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(path("a.txt")));

    const std::string out = writeText("a.txt", "keep me");
    result = runKorvel(prefs.with({"ale2fcp", ale}));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readText(out), "keep me"); // never replaced silently
    result = runKorvel(prefs.with({"ale2fcp", ale, "--on-exists", "abort"}));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(readText(out), "keep me");
    result = runKorvel(prefs.with({"ale2fcp", ale, "--on-exists", "replace"}));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readText(out).substr(0, 5), "Name\t");

    EXPECT_EQ(runKorvel(prefs.with({"ale2fcp", path("missing.ale")})).exitStatus, 2);
    EXPECT_EQ(runKorvel(prefs.with({"ale2fcp", ale, "--on-exists", "maybe"})).exitStatus, 2);
}

TEST_F(Fcp2aleCommand, OneAleByDefault) {
    TemporaryPrefs prefs;
    const std::string list = writeText("day 1.txt", kBatchList);
    const CommandResult result = runKorvel(prefs.with({"fcp2ale", list}));
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, path("day 1.ale") + "\n");
    EXPECT_EQ(readText(path("day 1.ale")),
              kPalHead + "a\t1\t2\tV\tR\rb\t3\t4\tA1A2\tR\rc\t5\t6\tA1\tR\r");
}

TEST_F(Fcp2aleCommand, SeparateBinsKeepEveryBin) {
    TemporaryPrefs prefs;
    const std::string list = writeText("day1.txt", kBatchList);
    const CommandResult result =
        runKorvel(prefs.with({"--set", "seperateBins=true", "fcp2ale", list, "-d", path("out")}));
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(readText(path("out/day1.ale")), kPalHead + "a\t1\t2\tV\tR\r");
    EXPECT_EQ(readText(path("out/Bin A.ale")), kPalHead + "b\t3\t4\tA1A2\tR\r");
    EXPECT_EQ(readText(path("out/Bin A-2.ale")), kPalHead + "c\t5\t6\tA1\tR\r");
}

// Standard output lists the files written, and only them: a bin whose file could not be written
// has been reported as such and is not listed.
TEST_F(Fcp2aleCommand, PrintsOnlyTheFilesItWrote) {
    TemporaryPrefs prefs;
    const std::string list = writeText("day1.txt", kBatchList);
    fs::create_directories(m_folder / "Bin A.ale"); // no file can replace a folder
    const CommandResult result = runKorvel(
        prefs.with({"--set", "seperateBins=true", "fcp2ale", list, "--on-exists", "replace"}));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("The ALE file could not be saved!"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, path("day1.ale") + "\n" + path("Bin A-2.ale") + "\n");
}

TEST_F(Fcp2aleCommand, RefusalAndUnsafeBinNames) {
    TemporaryPrefs prefs;
    const std::string list = writeText("l.txt", kBatchList);
    CommandResult result = runKorvel(prefs.with({"--tv", "24 fps", "fcp2ale", list}));
    EXPECT_EQ(result.exitStatus, 1);

    const std::string escaping =
        writeText("e.txt", "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\r- ../../x\r"
                           "a\t1\t2\t1V\t\tR\tClip\r");
    result = runKorvel(prefs.with({"--set", "seperateBins=true", "fcp2ale", escaping}));
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(fs::exists(path(".._.._x.ale")));
}

} // namespace
} // namespace korvel::test
