// SPDX-License-Identifier: MIT
#include "run_korvel.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace korvel::test {
namespace {

TEST(TimecodeCommandTest, AnswersAndStatuses) {
    struct Row {
        std::vector<std::string> arguments;
        int exitStatus;
        std::string out;
    };
    const Row rows[] = {
        {{"timecode", "to-frames", "01:00:00:00"}, 0, "90000\n"}, // PAL by default
        {{"--tv", "NTSC", "timecode", "to-frames", "01:00:00;00"}, 0, "107892\n"},
        {{"--tv", "NTSC", "timecode", "to-frames", "01:00:00:00"}, 0, "108000\n"},
        {{"--tv", "24 fps", "timecode", "to-frames", "00:00:01:00"}, 0, "24\n"},
        {{"--tv", "24 fps", "timecode", "to-frames", "00:00:01:24"}, 1, ""},
        {{"timecode", "to-frames", "25:00:00:00"}, 1, ""},
        {{"--tv", "NTSC", "timecode", "to-frames", "00:01:00;00"}, 1, ""},
        {{"--tv", "NTSC", "timecode", "to-frames", "00:01:00;02"}, 0, "1800\n"},
        {{"--set", "BWFfpsRate=PAL", "timecode", "from-samples", "4320000000", "--rate", "48000"},
         0,
         "01:00:00:00\n"},
        {{"timecode", "to-frames", "1:00:00:00"}, 1, ""},
        {{"--set", "TVSys=NTSC", "--set", "DF=true", "timecode", "from-frames", "1800"},
         0,
         "00:01:00;02\n"},
        {{"--tv", "NTSC", "timecode", "from-frames", "1800"}, 0, "00:01:00:00\n"},
        {{"--tv", "NTSC", "--df", "timecode", "from-frames", "-1"}, 0, "23:59:59;29\n"},
        {{"timecode", "from-frames", "12x"}, 1, ""},
        {{"timecode", "from-samples", "4294967295", "--rate", "48000"}, 0, "00:51:18:12\n"},
        {{"--bwf-fps", "NTSC DF", "timecode", "from-samples", "4294967295", "--rate", "48000"},
         0,
         "00:51:18;17\n"},
        {{"--set", "BWFfpsRate=NTSC NDF", "timecode", "from-samples", "172972800", "--rate",
          "48000"},
         0,
         "01:00:00:00\n"},
        {{"timecode", "from-samples", "18446744073709551615", "--rate", "10"}, 0, "00:00:00:00\n"},
        {{"timecode", "from-samples", "-5", "--rate", "48000"}, 1, ""},
        {{"timecode", "from-samples", "5"}, 2, ""}, // --rate is required
        {{"timecode", "30to24", "01:02:03:29"}, 0, "01:02:03:23\n"},
        {{"timecode", "30to24", "01:00:00;15"}, 0, "01:00:00;12\n"},
        {{"timecode", "30to24", "01:02:03:30"}, 1, ""},
        {{"timecode"}, 2, ""},
        {{"--tv", "SECAM", "timecode", "to-frames", "01:00:00:00"}, 2, ""},
        {{"--set", "TVSys", "timecode", "to-frames", "01:00:00:00"}, 2, ""},
        {{"--set", "DF=maybe", "timecode", "from-frames", "1"}, 2, ""},
        // The newer rates, and their drop-frame rule where they have one.
        {{"--tv", "23.976 fps", "timecode", "to-frames", "01:00:00:00"}, 0, "86400\n"},
        {{"--tv", "23.976 fps", "timecode", "to-frames", "01:00:00;00"}, 0, "86400\n"},
        {{"--tv", "50 fps", "timecode", "from-frames", "-1"}, 0, "23:59:59:49\n"},
        {{"--tv", "59.94 fps", "timecode", "to-frames", "00:01:00;04"}, 0, "3600\n"},
        {{"--tv", "59.94 fps", "timecode", "to-frames", "00:01:00;03"}, 1, ""},
        {{"--tv", "59.94 fps", "--df", "timecode", "from-frames", "35964"}, 0, "00:10:00;00\n"},
        {{"--tv", "60 fps", "--df", "timecode", "from-frames", "3600"}, 0, "00:01:00:00\n"},
        {{"--tv", "30 fps", "timecode", "to-frames", "00:00:01:29"}, 0, "59\n"},
        {{"--bwf-fps", "59.94 DF", "timecode", "from-samples", "172800000", "--rate", "48000"},
         0,
         "01:00:00;00\n"},
        {{"--set", "BWFfpsRate=From recorder", "timecode", "from-samples", "960", "--rate",
          "48000"},
         0,
         "00:00:00:01\n"},
        {{"--set", "TVSys=25 fps", "timecode", "to-frames", "01:00:00:00"}, 2, ""},
    };
    for (const Row& row : rows) {
        TemporaryPrefs prefs;
        const CommandResult result = runKorvel(prefs.with(row.arguments));
        std::string command;
        for (const std::string& argument : row.arguments) {
            command += argument + " ";
        }
        EXPECT_EQ(result.exitStatus, row.exitStatus) << command << "\n" << result.err;
        EXPECT_EQ(result.out, row.out) << command;
        if (row.exitStatus != 0) {
            EXPECT_FALSE(result.err.empty()) << command << ": a refusal says why";
        }
    }
}

TEST(TimecodeCommandTest, StoredTvSystemIsUsedAndCanBeBroken) {
    TemporaryPrefs prefs;
    ASSERT_EQ(runKorvel(prefs.with({"prefs", "set", "TVSys", "24 fps"})).exitStatus, 0);
    EXPECT_EQ(runKorvel(prefs.with({"timecode", "to-frames", "00:00:01:00"})).out, "24\n");
    // A store edited by hand: the command line no longer stores a TV system it does not know.
    EXPECT_EQ(runKorvel(prefs.with({"prefs", "set", "TVSys", "SECAM"})).exitStatus, 2);
    std::string stored;
    {
        std::ifstream in(prefs.path(), std::ios::binary);
        stored.assign(std::istreambuf_iterator<char>(in), {});
    }
    const auto at = stored.find("TVSys=24 fps");
    ASSERT_NE(at, std::string::npos) << stored;
    stored.replace(at, 12, "TVSys=SECAM");
    std::ofstream(prefs.path(), std::ios::binary | std::ios::trunc) << stored;
    const CommandResult broken = runKorvel(prefs.with({"timecode", "to-frames", "00:00:01:00"}));
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_NE(broken.err.find("SECAM"), std::string::npos) << broken.err;
}

} // namespace
} // namespace korvel::test
