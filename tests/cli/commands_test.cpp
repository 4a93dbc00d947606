// SPDX-License-Identifier: MIT
// korvel's text commands run as scripts run them: answers, exit statuses (0 done, 1 failed,
// 2 bad usage), the preference store and the files written. The arithmetic and conversions
// themselves are the engine's tests.
#include "run_korvel.h"
#include "support/local_http_server.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

using KorvelCommands = KorvelTest;

TEST_F(KorvelCommands, HelpVersionTimecodeAndPreferences) {
    const CommandResult help = runKorvel({"--help"});
    for (const char* option : {"timecode", "bwf2qt", "--set", "--prefs", "--log"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    expectRuns({
        {{"--version"}, 0, "korvel (Korvel Tools) 1.2.1\n"},
        {korvel({"timecode", "to-frames", "01:00:00:00"}), 0, "90000\n"}, // PAL by default
        {korvel({"timecode", "to-frames", "01:00:00;00"}, {"--tv", "NTSC"}), 0, "107892\n"},
        {korvel({"timecode", "from-frames", "-1"}, {"--tv", "NTSC", "--df"}), 0, "23:59:59;29\n"},
        {korvel({"timecode", "from-frames", "1800"}, {"--set", "TVSys=NTSC", "--set", "DF=true"}),
         0, "00:01:00;02\n"},
        {korvel({"timecode", "from-samples", "4294967295", "--rate", "48000"},
                {"--bwf-fps", "NTSC DF"}),
         0, "00:51:18;17\n"},
        {korvel({"timecode", "from-samples", "5"}), 2, ""}, // --rate is required
        {korvel({"timecode"}), 2, ""},
        {korvel({"timecode", "to-frames", "1"}, {"--tv", "SECAM"}), 2, ""},
        {korvel({"timecode", "from-samples", "0", "--rate", "1"}, {"--set", "BWFfpsRate=ntsc df"}),
         2, "", "\"NTSC DF\""},
        // The store: absent keys, one-run overrides, typed values and popup choices.
        {korvel({"prefs", "get", "DF"}), 1, ""},
        {korvel({"prefs", "set", "DF", "true"}), 0, ""},
        {korvel({"prefs", "get", "DF"}, {"--set", "DF=false"}), 0, "false\n"},
        {korvel({"prefs", "get", "DF"}), 0, "true\n"},
        {korvel({"prefs", "set", "separateBins", "true"}), 2, ""}, // a misspelt key
        {korvel({"prefs", "set", "TVSys", "SECAM"}), 2, "", "\"PAL\", \"NTSC\", \"24 fps\""},
        {korvel({"prefs", "set", "TVSys", "24 fps"}), 0, ""},
        {korvel({"timecode", "to-frames", "00:00:01:00"}), 0, "24\n"},
        {korvel({"prefs", "reset"}), 0, ""},
        {korvel({"prefs", "get", "tcColumn"}), 0, "Start\n"},
        {{"--prefs", "/proc/korvel/prefs.ini", "prefs", "set", "TVSys", "NTSC"},
         1,
         "",
         "could not save the preferences"},
    });
    ASSERT_EQ(setenv("KORVEL_PREFS", path("prefs.ini").c_str(), 1), 0);
    EXPECT_EQ(runKorvel({"prefs", "set", "TVSys", "NTSC"}).exitStatus, 0);
    unsetenv("KORVEL_PREFS");
    EXPECT_EQ(runKorvel(korvel({"prefs", "get", "TVSys"})).out, "NTSC\n");
}

// Reading the store makes no folder for it; storing a value does. A TV system edited into the
// store by hand fails the run that would use it.
TEST_F(KorvelCommands, StoreOnDisk) {
    const std::string store = path("sub/prefs.ini");
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "list"}).exitStatus, 0);
    EXPECT_FALSE(fs::exists(path("sub")));
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "set", "TVSys", "50 fps"}).exitStatus, 0);
    std::string text = readText(store);
    writeText("sub/prefs.ini", text.replace(text.find("50 fps"), 6, "SECAM"));
    const CommandResult broken = runKorvel({"--prefs", store, "timecode", "to-frames", "1"});
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_NE(broken.err.find("SECAM"), std::string::npos) << broken.err;
}

TEST_F(KorvelCommands, CheckUpdateAnswersWhatTheWebSiteSays) {
    for (const auto& [build, out] :
         {std::pair{
              17, "newer: 1.3 (build 17)\nhomepage: https://k.org\ndownload: https://k.org/get\n"},
          {16, "latest: build 16 is the newest\n"}}) {
        const auto server = LocalHttpServer::answering(
            "<plist><dict><key>myVersionNumber</key><integer>" + std::to_string(build) +
            "</integer><key>myVersionName</key><string>1.3</string><key>myHomepageURL</key>"
            "<string>https://k.org</string><key>myDownloadURL</key><string>https://k.org/get"
            "</string></dict></plist>");
        expectRuns({{korvel({"check-update", "--url", server.url()}), 0, out}});
    }
    const RefusingPort port;
    expectRuns({{korvel({"check-update", "--url", port.url()}), 1, "", "Could not connect"}});
}

TEST_F(KorvelCommands, Ale2fcpWritesBesideTheAleOrToStandardOutput) {
    const std::string ale =
        writeText("Scene12.ALE", "Heading\r\nVIDEO_FORMAT\tPAL\r\nColumn\r\nName\tStart\tEnd\t"
                                 "Tracks\tTape\r\nData\r\nn1\t01:00:00:00\t01:00:01:00\tVA1\tT");
    const std::string list = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\r"
                             "n1\t01:00:00:00\t01:00:01:00\t1V, 1A\tA1\tT\r";
    expectRuns({
        {korvel({"ale2fcp", ale}, {"--log", path("log.txt")}), 0, "", "Finished converting 1"},
        {korvel({"ale2fcp", ale, "-o", "-"}), 0, list},
        {korvel({"ale2fcp", ale, "-o", "-"}, {"--tv", "NTSC"}), 1, "", "Video Format confusion"},
        {korvel({"ale2fcp", ale, "--on-exists", "abort"}), 1, ""},
        {korvel({"ale2fcp", path("missing.ale")}), 2, ""},
        {korvel({"ale2fcp", ale, "--on-exists", "maybe"}), 2, ""},
    });
    EXPECT_EQ(readText(path("Scene12.txt")), list);
    EXPECT_TRUE(readText(path("log.txt")).ends_with("\rFinished converting 1 clips.\r"));
}

// One ALE per bin, a bin name that would leave the folder kept inside it, and standard output
// naming only the files written: no file can replace the folder in the way.
TEST_F(KorvelCommands, Fcp2aleSeparateBins) {
    const std::string list =
        writeText("day1.txt", "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\r"
                              "a\t1\t2\t1V\t\tR\tClip\r- Bin A\rb\t3\t4\t2A\t\tR\tClip\r- ../../x\r"
                              "c\t5\t6\t1A\tA1\tR\tClip\r- Bin B\rd\t5\t6\t1A\tA1\tR\tClip\r");
    fs::create_directories(m_folder / "Bin B.ale");
    expectRuns({
        {korvel({"fcp2ale", list}, {"--tv", "24 fps"}), 1, ""},
        {korvel({"fcp2ale", list, "--on-exists", "replace"}, {"--set", "seperateBins=true"}), 1,
         path("day1.ale") + "\n" + path("Bin A.ale") + "\n" + path(".._.._x.ale") + "\n",
         "The ALE file could not be saved!"},
    });
    EXPECT_TRUE(readText(path("Bin A.ale")).ends_with("\rb\t3\t4\tA1A2\tR\r"));
}

} // namespace
} // namespace korvel::test
