// SPDX-License-Identifier: MIT
#include "../audio/wave_builder.h"
#include "run_korvel.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace korvel::test {
namespace {

class BwfInfoCommandTest : public testing::Test {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("korvel-bwf-info-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        BextFields fields = describedAs("sTAPE=R01\nsSCENE=4\nsTAKE=2\nsNOTE=say \"hi\"");
        fields.originator = "Rec";
        fields.timeReference = 96000ull * 46800; // 13:00:00 at 96 kHz, above 2^32
        writeFile(file(), buildWave({{"bext", bextBody(fields)},
                                     {"fmt ", fmtBody(1, 2, 96000, 24)},
                                     {"data", Bytes(12, 0)}}));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string file() const { return (m_dir / "T02.wav").string(); }

    std::filesystem::path m_dir;
};

TEST_F(BwfInfoCommandTest, PrintsTheSummaryLines) {
    TemporaryPrefs prefs;
    const CommandResult result = runKorvel(prefs.with({"--tv", "NTSC", "bwf-info", file()}));
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Info for BWF File: " + file() +
                              "\nChannels: 2\nSample Rate: 96000\nBit Rate: 24\n"
                              "Timecode start: 13:00:00:00 @ 29.97 fps\nSource: R01\n"
                              "Note: say \"hi\"\nScene: 4\nShot/Take: 2\n"
                              "Origination Date and Time: 2026-01-02 @ 10:20:30\nUserbit: \n"
                              "Originator: Rec\nOriginator Reference: \n"
                              "-----------------------\n");
}

TEST_F(BwfInfoCommandTest, PrintsTheRecordAsJson) {
    TemporaryPrefs prefs;
    const CommandResult result = runKorvel(
        prefs.with({"--set", "BWFTapeIDSelect=BWF File Name", "bwf-info", file(), "--json"}));
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(
        result.out,
        R"({"Name": "T02.mov", "Tracks": "2A", "Media Start": "13:00:00:00", )"
        R"("Media End": "", "Reel": "T02.wav", "Log Note": "say \"hi\"", "Scene": "4", )"
        R"("Shot/Take": "2", "Comment 1": "Origination Date and Time: 2026-01-02 @ 10:20:30", )"
        R"("Comment 2": " Originator: Rec | Originator Reference: ", )"
        R"("Comment 4": "Original Filename: T02.wav", "Description": "4/2", )"
        R"("containsbext": "YES", "Userbit": "", "Originator": "Rec", )"
        R"("Originator Reference": "", "Sample Rate": "96000", "Bit Rate": "24"})"
        "\n");
}

TEST_F(BwfInfoCommandTest, StatusesForMissingAndPlainFiles) {
    TemporaryPrefs prefs;
    EXPECT_EQ(runKorvel(prefs.with({"bwf-info", (m_dir / "none.wav").string()})).exitStatus, 1);
    EXPECT_EQ(runKorvel(prefs.with({"bwf-info"})).exitStatus, 2);
    const std::string plain = (m_dir / "plain.wav").string();
    writeFile(plain, buildWave({{"fmt ", fmtBody(1, 1, 48000, 16)}, {"data", Bytes(2, 0)}}));
    const CommandResult result = runKorvel(prefs.with({"bwf-info", plain, "--json"}));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_NE(result.out.find(R"("containsbext": "NO")"), std::string::npos);
    EXPECT_NE(result.err.find("no bext chunk"), std::string::npos);
}

// A file that is not a WAVE file at all is an error, not a recording without bext.
TEST_F(BwfInfoCommandTest, FilesThatAreNotWaveFail) {
    TemporaryPrefs prefs;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.wav", ""},
        {"text.wav", "Scene 4, take 2: good\n"},
        {"header.wav", std::string("RIFF\x24\x00\x00\x00WA", 10)},
    };
    for (const auto& [name, content] : files) {
        const std::string path = (m_dir / name).string();
        writeFile(path, Bytes(content.begin(), content.end()));
        const CommandResult result = runKorvel(prefs.with({"bwf-info", path}));
        EXPECT_EQ(result.exitStatus, 1) << name;
        EXPECT_TRUE(result.out.empty()) << name;
        EXPECT_NE(result.err.find("not a WAVE file"), std::string::npos) << result.err;
    }
}

} // namespace
} // namespace korvel::test
