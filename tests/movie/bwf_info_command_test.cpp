// SPDX-License-Identifier: MIT
// korvel bwf-info run as a process: the record of a recording, and the exit status of each kind
// of file (the summary's wording is held by the reader's tests).
#include "../audio/wave_builder.h"
#include "run_korvel.h"
#include "support/output_folder_test.h"

#include <gtest/gtest.h>

namespace korvel::test {
namespace {

class BwfInfoCommandTest : public OutputFolderTest {};

TEST_F(BwfInfoCommandTest, PrintsTheRecordAsJson) {
    BextFields fields = describedAs("sTAPE=R01\nsSCENE=4\nsTAKE=2\nsNOTE=say \"hi\"");
    fields.originator = "Rec";
    fields.timeReference = 96000ull * 46800; // 13:00:00 at 96 kHz, above 2^32
    writeFile(path("T02.wav"), buildWave({{"bext", bextBody(fields)},
                                          {"fmt ", fmtBody(1, 2, 96000, 24)},
                                          {"data", Bytes(12, 0)}}));
    TemporaryPrefs prefs;
    const CommandResult result = runKorvel(prefs.with(
        {"--set", "BWFTapeIDSelect=BWF File Name", "bwf-info", path("T02.wav"), "--json"}));
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

// A WAVE file without bext is answered; a file that is not a WAVE file at all is an error.
TEST_F(BwfInfoCommandTest, StatusOfEachKindOfFile) {
    const struct {
        std::string name;
        Bytes content;
        int exitStatus;
        std::string said;
    } rows[] = {
        {"plain.wav", buildWave({{"fmt ", fmtBody(1, 1, 48000, 16)}, {"data", Bytes(2, 0)}}), 0,
         "no bext chunk"},
        {"empty.wav", {}, 1, "not a WAVE file"},
        {"text.wav", {'t', 'a', 'k', 'e', ' ', '2', '\n'}, 1, "not a WAVE file"},
        {"header.wav", {'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A'}, 1, "not a WAVE file"},
    };
    TemporaryPrefs prefs;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(path(row.name), row.content);
        const CommandResult result = runKorvel(prefs.with({"bwf-info", path(row.name), "--json"}));
        EXPECT_EQ(result.exitStatus, row.exitStatus);
        EXPECT_EQ(result.out.find(R"("containsbext": "NO")") != std::string::npos,
                  row.exitStatus == 0);
        EXPECT_NE(result.err.find(row.said), std::string::npos) << result.err;
    }
    EXPECT_EQ(runKorvel(prefs.with({"bwf-info", path("none.wav")})).exitStatus, 1);
    EXPECT_EQ(runKorvel(prefs.with({"bwf-info"})).exitStatus, 2);
}

} // namespace
} // namespace korvel::test
