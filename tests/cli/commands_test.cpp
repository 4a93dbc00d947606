// SPDX-License-Identifier: MIT
// korvel's text commands run as scripts run them: answers, exit statuses (0 done, 1 failed,
// 2 bad usage), the preference store and the files written. The arithmetic and conversions
// themselves are the engine's tests.
#include "run_korvel.h"
#include "support/local_http_server.h"
#include "support/output_folder_test.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

TEST(KorvelCommands, HelpVersionTimecodeAndPreferences) {
    const TemporaryPrefs prefs;
    const CommandResult help = runKorvel({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    for (const char* option : {"timecode", "bwf2qt", "--set", "--prefs", "--log"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    const auto p = [&prefs](std::vector<std::string> arguments) { return prefs.with(arguments); };
    expectRuns({
        {{"--version"}, 0, "korvel (Korvel Tools) 1.2.1\n"},
        {p({"timecode", "to-frames", "01:00:00:00"}), 0, "90000\n"}, // PAL by default
        {p({"--tv", "NTSC", "timecode", "to-frames", "01:00:00;00"}), 0, "107892\n"},
        {p({"--tv", "24 fps", "timecode", "to-frames", "00:00:01:24"}), 1, ""},
        {p({"--tv", "NTSC", "--df", "timecode", "from-frames", "-1"}), 0, "23:59:59;29\n"},
        {p({"--set", "TVSys=NTSC", "--set", "DF=true", "timecode", "from-frames", "1800"}), 0,
         "00:01:00;02\n"},
        {p({"--bwf-fps", "NTSC DF", "timecode", "from-samples", "4294967295", "--rate", "48000"}),
         0, "00:51:18;17\n"},
        {p({"timecode", "from-samples", "5"}), 2, ""}, // --rate is required
        {p({"timecode", "30to24", "01:02:03:29"}), 0, "01:02:03:23\n"},
        {p({"timecode"}), 2, ""},
        {p({"--tv", "SECAM", "timecode", "to-frames", "01:00:00:00"}), 2, ""},
        {p({"--set", "TVSys", "timecode", "to-frames", "01:00:00:00"}), 2, ""},
        {p({"--set", "BWFfpsRate=ntsc df", "timecode", "from-samples", "0", "--rate", "1"}), 2, "",
         "\"NTSC DF\""},
        // The store: absent keys, one-run overrides, typed values and popup choices.
        {p({"prefs", "get", "DF"}), 1, ""},
        {p({"prefs", "set", "DF", "true"}), 0, ""},
        {p({"--set", "DF=false", "prefs", "get", "DF"}), 0, "false\n"},
        {p({"prefs", "get", "DF"}), 0, "true\n"},
        {p({"prefs", "set", "korvelVersion", "twelve"}), 2, ""},
        {p({"prefs", "set", "separateBins", "true"}), 2, ""}, // a misspelt key is not stored
        {p({"prefs", "set", "TVSys", "SECAM"}), 2, "", "\"PAL\", \"NTSC\", \"24 fps\""},
        {p({"prefs", "set", "TVSys", "24 fps"}), 0, ""},
        {p({"timecode", "to-frames", "00:00:01:00"}), 0, "24\n"},
        {p({"prefs", "reset"}), 0, ""},
        {p({"prefs", "get", "DF"}), 1, ""},
        {p({"prefs", "get", "tcColumn"}), 0, "Start\n"},
        {{"--prefs", "/proc/korvel/prefs.ini", "prefs", "set", "TVSys", "NTSC"},
         1,
         "",
         "could not save the preferences"},
    });
    ASSERT_EQ(setenv("KORVEL_PREFS", prefs.path().c_str(), 1), 0);
    EXPECT_EQ(runKorvel({"prefs", "set", "TVSys", "NTSC"}).exitStatus, 0);
    unsetenv("KORVEL_PREFS");
    EXPECT_EQ(runKorvel(prefs.with({"prefs", "get", "TVSys"})).out, "NTSC\n");
}

// Reading the store makes no folder for it; storing a value does. A TV system edited into the
// store by hand fails the run that would use it.
TEST(KorvelCommands, StoreOnDisk) {
    const fs::path folder =
        fs::temp_directory_path() / ("korvel_prefs_" + std::to_string(getpid()));
    fs::remove_all(folder);
    const std::string store = (folder / "sub" / "prefs.ini").string();
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "list"}).exitStatus, 0);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "set", "TVSys", "50 fps"}).exitStatus, 0);
    std::ifstream in(store, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    text.replace(text.find("50 fps"), 6, "SECAM");
    std::ofstream(store, std::ios::binary | std::ios::trunc) << text;
    const CommandResult broken = runKorvel({"--prefs", store, "timecode", "to-frames", "1"});
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_NE(broken.err.find("SECAM"), std::string::npos) << broken.err;
    fs::remove_all(folder);
}

TEST(KorvelCommands, CheckUpdateAnswersWhatTheWebSiteSays) {
    const TemporaryPrefs prefs;
    for (const auto& [build, out, err] :
         {std::tuple{17,
                     "newer: 1.3 (build 17)\nhomepage: https://example.org/k\n"
                     "download: https://example.org/k/get\n",
                     "A new version of Korvel Tools is available: 1.3: Faster.\n"},
          {16, "latest: build 16 is the newest\n",
           "You're using the latest version of Korvel Tools!: Check back later...\n"}}) {
        const auto server = LocalHttpServer::answering(
            "<plist version=\"1.0\"><dict><key>myVersionNumber</key><integer>" +
            std::to_string(build) +
            "</integer><key>myVersionName</key><string>1.3</string><key>myText</key>"
            "<string>Faster.</string><key>myHomepageURL</key><string>https://example.org/k</string>"
            "<key>myDownloadURL</key>"
            "<string>https://example.org/k/get</string></dict></plist>");
        const auto result = runKorvel(prefs.with({"check-update", "--url", server.url()}));
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.err, err);
    }
    const RefusingPort port;
    const auto unreachable = runKorvel(prefs.with({"check-update", "--url", port.url()}));
    EXPECT_EQ(unreachable.exitStatus, 1);
    EXPECT_TRUE(unreachable.err.starts_with("Could not connect to 127.0.0.1")) << unreachable.err;
}

class ShotLogCommands : public OutputFolderTest {
  protected:
    TemporaryPrefs prefs;
};

TEST_F(ShotLogCommands, Ale2fcpWritesBesideTheAleOrToStandardOutput) {
    const std::string ale =
        writeText("Scene12.ALE", "Heading\r\nVIDEO_FORMAT\tPAL\r\nColumn\r\nName\tStart\tEnd\t"
                                 "Tracks\tTape\r\nData\r\nn1\t01:00:00:00\t01:00:01:00\tVA1\tT");
    const std::string list = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\r"
                             "n1\t01:00:00:00\t01:00:01:00\t1V, 1A\tA1\tT\r";
    expectRuns({
        {prefs.with({"--log", path("log.txt"), "ale2fcp", ale}), 0, "", "Finished converting 1"},
        {prefs.with({"ale2fcp", ale, "-o", "-"}), 0, list},
        {prefs.with({"--tv", "NTSC", "ale2fcp", ale, "-o", "-"}), 1, "", "Video Format confusion"},
        {prefs.with({"ale2fcp", ale, "--on-exists", "abort"}), 1, ""},
        {prefs.with({"ale2fcp", path("missing.ale")}), 2, ""},
        {prefs.with({"ale2fcp", ale, "--on-exists", "maybe"}), 2, ""},
    });
    EXPECT_EQ(readText(path("Scene12.txt")), list);
    EXPECT_EQ(readText(path("log.txt")),
              "Korvel Tools version 1.2.1\r\rale2fcp video format: PAL\r"
              "The ALE file has Windows line breaks!\rThe ALE file has PAL video format\r"
              "Starting to convert the ALE shot log...\rFinished converting 1 clips.\r");
}

// One ALE per bin, a bin name that would leave the folder kept inside it, and standard output
// naming only the files written: no file can replace the folder in the way.
TEST_F(ShotLogCommands, Fcp2aleSeparateBins) {
    const std::string list =
        writeText("day1.txt", "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\r"
                              "a\t1\t2\t1V\t\tR\tClip\r- Bin A\rb\t3\t4\t2A\t\tR\tClip\r- ../../x\r"
                              "c\t5\t6\t1A\tA1\tR\tClip\r- Bin B\rd\t5\t6\t1A\tA1\tR\tClip\r");
    fs::create_directories(m_folder / "Bin B.ale");
    const std::string head =
        "Heading\rFIELD_DELIM\tTABS\rVIDEO_FORMAT\tPAL\rAUDIO_FORMAT\t48khz\r"
        "TAPE\tUnknown\rFPS\t25\r\rColumn\rName\tStart\tEnd\tTracks\tTape\r\rData\r";
    expectRuns({
        {prefs.with({"--tv", "24 fps", "fcp2ale", list}), 1, ""},
        {prefs.with({"--set", "seperateBins=true", "fcp2ale", list, "--on-exists", "replace"}), 1,
         path("day1.ale") + "\n" + path("Bin A.ale") + "\n" + path(".._.._x.ale") + "\n",
         "The ALE file could not be saved!"},
    });
    EXPECT_EQ(readText(path("day1.ale")), head + "a\t1\t2\tV\tR\r");
    EXPECT_EQ(readText(path("Bin A.ale")), head + "b\t3\t4\tA1A2\tR\r");
}

} // namespace
} // namespace korvel::test
