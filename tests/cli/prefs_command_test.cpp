// SPDX-License-Identifier: MIT
#include "run_korvel.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace korvel::test {
namespace {

std::string home() {
    const char* value = std::getenv("HOME");
    return value ? value : "/";
}

TEST(PrefsCommandTest, ResetThenListShowsTheDefaults) {
    TemporaryPrefs prefs;
    ASSERT_EQ(runKorvel(prefs.with({"prefs", "set", "TVSys", "NTSC"})).exitStatus, 0);
    ASSERT_EQ(runKorvel(prefs.with({"prefs", "set", "lastAleDir", "/x.ale"})).exitStatus, 0);
    ASSERT_EQ(runKorvel(prefs.with({"prefs", "reset"})).exitStatus, 0);
    const CommandResult listed = runKorvel(prefs.with({"prefs", "list"}));
    ASSERT_EQ(listed.exitStatus, 0);
    // The whole list of defaults is the app's to check; here: one key a line, home filled in,
    // and nothing else kept.
    EXPECT_NE(listed.out.find("\nTVSys=PAL\nale2fcpAleDir=" + home() + "\n"), std::string::npos)
        << listed.out;
    EXPECT_EQ(listed.out.find("lastAleDir"), std::string::npos);
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 34);
}

// Reading the store makes no folder for it; storing a value does.
TEST(PrefsCommandTest, ReadingMakesNoFolder) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("korvel_prefs_folder_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const std::string store = (folder / "sub" / "prefs.ini").string();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"prefs", "get", "TVSys"}, {"prefs", "list"}}) {
        std::vector<std::string> arguments = {"--prefs", store};
        arguments.insert(arguments.end(), command.begin(), command.end());
        const CommandResult result = runKorvel(arguments);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_NE(result.out.find("PAL"), std::string::npos);
        EXPECT_FALSE(fs::exists(folder)) << command[1];
    }
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "set", "TVSys", "NTSC"}).exitStatus, 0);
    EXPECT_EQ(runKorvel({"--prefs", store, "prefs", "get", "TVSys"}).out, "NTSC\n");
    fs::remove_all(folder);
}

TEST(PrefsCommandTest, GetSetAndOneRunOverrides) {
    TemporaryPrefs prefs;
    struct Step {
        std::vector<std::string> arguments;
        int exitStatus;
        std::string out;
    };
    const Step steps[] = {
        {{"prefs", "get", "DF"}, 1, ""}, // absent: nothing, status 1
        {{"prefs", "set", "DF", "true"}, 0, ""},
        {{"prefs", "get", "DF"}, 0, "true\n"},
        {{"--set", "DF=false", "prefs", "get", "DF"}, 0, "false\n"},
        {{"prefs", "get", "DF"}, 0, "true\n"}, // the override was for one run
        {{"prefs", "set", "modifyNameData", "Truncate, add \".mov\""}, 0, ""},
        {{"prefs", "get", "modifyNameData"}, 0, "Truncate, add \".mov\"\n"},
        {{"prefs", "set", "korvelVersion", "12"}, 0, ""},
        {{"prefs", "get", "korvelVersion"}, 0, "12\n"},
        {{"prefs", "set", "korvelVersion", "twelve"}, 2, ""},
        {{"prefs", "set", "DF", "on"}, 2, ""},
        {{"prefs", "set", "separateBins", "true"}, 2, ""}, // a misspelt key is not stored
        {{"prefs", "get", "separateBins"}, 1, ""},
        {{"prefs", "get", "tvsys"}, 1, ""}, // keys are case-sensitive
    };
    for (const Step& step : steps) {
        const CommandResult result = runKorvel(prefs.with(step.arguments));
        EXPECT_EQ(result.exitStatus, step.exitStatus) << step.arguments.back() << result.err;
        EXPECT_EQ(result.out, step.out) << step.arguments.back();
    }
}

// A popup key takes only its choices, for good and for one run: any other text is bad usage that
// names the choices, and nothing is stored or run (each key's choices: the app's tests).
TEST(PrefsCommandTest, PopupKeysTakeOnlyTheirChoices) {
    TemporaryPrefs prefs;
    struct Step {
        std::vector<std::string> arguments;
        int exitStatus;
        std::string out;
        std::string errMentions;
    };
    const Step steps[] = {
        {{"--set", "BWFfpsRate=ntsc df", "timecode", "from-samples", "0", "--rate", "48000"},
         2,
         "",
         "\"NTSC DF\""},
        {{"--set", "BWFfpsRate=NTSC DF", "timecode", "from-samples", "0", "--rate", "48000"},
         0,
         "00:00:00;00\n",
         ""},
        {{"prefs", "set", "TVSys", "SECAM"}, 2, "", "\"PAL\", \"NTSC\", \"24 fps\""},
        {{"prefs", "set", "TVSys", "59.94 fps"}, 0, "", ""},
        {{"prefs", "set", "TVSys", "24 fps"}, 0, "", ""},
        {{"prefs", "set", "BWFXMLFormat", "xmeml 5"}, 0, "", ""},
        {{"prefs", "get", "BWFXMLFormat"}, 0, "xmeml 5\n", ""},
        {{"prefs", "set", "movieExtension", ".MXF"}, 0, "", ""}, // not a popup: any text
        {{"prefs", "get", "TVSys"}, 0, "24 fps\n", ""},
        {{"prefs", "get", "BWFfpsRate"}, 0, "PAL\n", ""}, // the first-run default, untouched
    };
    for (const Step& step : steps) {
        const CommandResult result = runKorvel(prefs.with(step.arguments));
        const std::string& last = step.arguments.back();
        EXPECT_EQ(result.exitStatus, step.exitStatus) << last << result.err;
        EXPECT_EQ(result.out, step.out) << last;
        EXPECT_NE(result.err.find(step.errMentions), std::string::npos)
            << last << ": " << result.err;
    }
}

TEST(PrefsCommandTest, EnvironmentChoosesTheStore) {
    TemporaryPrefs prefs;
    ASSERT_EQ(setenv("KORVEL_PREFS", prefs.path().c_str(), 1), 0);
    EXPECT_EQ(runKorvel({"prefs", "set", "TVSys", "NTSC"}).exitStatus, 0);
    unsetenv("KORVEL_PREFS");
    EXPECT_EQ(runKorvel(prefs.with({"prefs", "get", "TVSys"})).out, "NTSC\n");
}

TEST(PrefsCommandTest, UnwritableStoreIsAFailure) {
    const CommandResult result =
        runKorvel({"--prefs", "/proc/korvel/prefs.ini", "prefs", "set", "TVSys", "NTSC"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("could not save the preferences"), std::string::npos) << result.err;
}

TEST(GlobalOptionsTest, HelpVersionAndLogFile) {
    const CommandResult help = runKorvel({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("timecode"), std::string::npos);
    EXPECT_NE(help.out.find("--set"), std::string::npos);
    const CommandResult version = runKorvel({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_NE(version.out.find("1.2.1"), std::string::npos);

    TemporaryPrefs prefs;
    const std::string logPath = prefs.path() + ".log";
    EXPECT_EQ(
        runKorvel(prefs.with({"--log", logPath, "timecode", "30to24", "01:00:00:03"})).exitStatus,
        0);
    std::ifstream log(logPath, std::ios::binary);
    std::stringstream text;
    text << log.rdbuf();
    EXPECT_EQ(text.str(), "Korvel Tools version 1.2.1\r\r");
    std::filesystem::remove(logPath);
}

} // namespace
} // namespace korvel::test
