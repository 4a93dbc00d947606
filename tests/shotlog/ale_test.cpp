// SPDX-License-Identifier: MIT
#include "shotlog/ale_tools.h"
#include "shotlog_test_support.h"

#include <gtest/gtest.h>

// Options name only what a case changes; the comment columns left out are rightly empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace korvel {
namespace {

using test::RecordedLog;

std::string aleText(std::string_view columns, const std::vector<std::string>& rows,
                    std::string_view format = "PAL") {
    std::string text = "Heading\nFIELD_DELIM\tTABS\nVIDEO_FORMAT\t" + std::string(format) +
                       "\n\nColumn\n" + std::string(columns) + "\n\nData\n";
    for (const std::string& row : rows) {
        text += row + "\n";
    }
    return text;
}

const std::string kColumns = "Name\tStart\tEnd\tTracks\tTape";
const std::string kBatchHead = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\r";

struct Outcome {
    std::string result;
    std::vector<std::string> log;
    std::vector<std::string> events;
};

Outcome convert(const std::string& text, const Ale2fcpOptions& options) {
    ScriptedUserInterface ui;
    RecordedLog log;
    ALETools tools(ui, log.sink());
    Outcome run;
    run.result = tools.ale2fcp(text, options);
    run.log = log.entries;
    run.events = ui.events();
    return run;
}

struct ConversionCase {
    std::string columns;
    std::vector<std::string> rows;
    Ale2fcpOptions options;
    std::string expected;
};

const std::string k30 = "abcdefghijklmnopqrstuvwxyz0123"; // 30 characters
const std::string k27 = "abcdefghijklmnopqrstuvwxyz0";    // 27 characters

TEST(Ale2fcp, WritesTheBatchList) {
    // Columns, rows, options, the batch list.
    // clang-format off
    const ConversionCase cases[] = {
        {"Tape\tName\tStart\tEnd\tTracks", {"T\tn\t01:00:00:00\t01:00:01:00\tV"},
         {.aleCopyName = true},
         "Reel\tName\tMedia Start\tMedia End\tTracks\tAudio\tLabel 2\r"
         "T\tn\t01:00:00:00\t01:00:01:00\t1V\t\tn\r"},
        {kColumns + "\tScene", {"n\t1\t2\tA2\tT\ts9"}, {.userTxt1 = "Scene", .fcpversion = "FCP 3"},
         "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tScene\tComment 1\r"
         "n\t1\t2\t1A\tA2\tT\ts9\ts9\r"},
        {kColumns + "\tX", {"n\t1\t2\tA1A2\tT\tx"}, {.userTxt2 = "X", .fcpversion = "FCP 5"},
         "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\t\rn\t1\t2\t2A\tA1 + A2\tT\tx\r"},
        {kColumns + "\t", {"n\t1\t2\tV\tT\tx"}, {}, kBatchHead + "n\t1\t2\t1V\t\tT\r"},
        {"Name\tTracks\tStart\tEnd\tTape", {"n\tA1A2A3\t1\t2\tT", "m\tVA1A2A3A4\t1\t2\tT"}, {},
         "Name\tTracks\tAudio\tMedia Start\tMedia End\tReel\r"
         "n\t\t\t1\t2\tT\rm\t1V, 2A\tA1 + A2\t1\t2\tT\r"},
        {kColumns + "\tScene", {"n\t1\t2"}, {},
         "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tScene\rn\t1\t2\t\t\t\t\r"},
        {kColumns, {k30 + "\t1\t2\tV\tT", k27 + "\t1\t2\tV\tT"},
         {.nameModify = "Truncate, add \".mov\""},
         kBatchHead + k27 + ".mov\t1\t2\t1V\t\tT\r" + k27 + ".mov\t1\t2\t1V\t\tT\r"},
        {kColumns, {k30 + "\t1\t2\tV\tT"},
         {.nameModify = "Truncate, add \".MooV\"", .baseNameLength = 27},
         kBatchHead + k30.substr(0, 26) + ".MooV\t1\t2\t1V\t\tT\r"},
        {kColumns, {k30 + "a/b:c\t1\t2\tV\tT"},
         {.aleCopyName = true, .nameModify = "Shorten", .convertToWindowsName = true},
         "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tLabel 2\r" + k30 +
             "a b c\t1\t2\t1V\t\tT\t" + k30 + "a/b:c\r"},
        {"Clip Name\tName\tStart\tEnd\tTracks\tTape", {"c\tn\t1\t2\tV\tT"}, {.aleCopyName = true},
         "Name\tName\tMedia Start\tMedia End\tTracks\tAudio\tReel\tLabel 2\r"
         "c\tn\t1\t2\t1V\t\tT\tn\r"},
        {kColumns, {"n\t01:00:00:15\t01:00:00:15\tV\tT"}, {.myTVSys = "24 fps"},
         kBatchHead + "n\t01:00:00:12\t01:00:00:15\t1V\t\tT\r"},
        {"Name\tStart\tEnd\tTC 24 Start\tTC 24 End\tTracks\tTape",
         {"n\t01:00:00:29\tE\t02:00:00:23\t02:00:01:00\tV\tT"},
         {.myTVSys = "24 fps", .tcFieldName = "Use TC 24"},
         kBatchHead + "n\t02:00:00:23\t02:00:01:00\t1V\t\tT\r"},
        {kColumns, {}, {}, kBatchHead},
        {kColumns + "\tU", {"n\t1\t2\tVA2\tT\tu"}, {.userTxt5 = "U", .df = true},
         kBatchHead + "n\t1\t2\t1V, 1A\tA2\tT\r"},
    };
    // clang-format on
    for (const auto& c : cases) {
        const Outcome run = convert(aleText(c.columns, c.rows), c.options);
        EXPECT_EQ(run.result, c.expected) << c.expected;
        EXPECT_TRUE(run.events.empty()) << c.expected;
    }
}

// A blank line ends the data, and the count.
TEST(Ale2fcp, ClipNameIsUsedAndLoggedAndTheClipsCounted) {
    const Outcome run = convert(
        aleText("Clip Name\tStart\tEnd\tTracks\tTape", {"c\t1\t2\tV\tT", "", "b\t1\t2\tV\tT"}), {});
    EXPECT_EQ(run.result, kBatchHead + "c\t1\t2\t1V\t\tT\r");
    EXPECT_EQ(run.log[2], "Using the column \"Clip Name\" as name field.");
    EXPECT_EQ(run.log.back(), "Finished converting 1 clips.");
}

TEST(Ale2fcp, TruncationCountsUtf16UnitsAndKeepsCharactersWhole) {
    // "é" is one unit; "𝄞" (U+1D11E) is two, so it cannot straddle the limit.
    EXPECT_EQ(truncateToUtf16Units("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(truncateToUtf16Units("a\xF0\x9D\x84\x9E", 2), "a");
    EXPECT_EQ(truncateToUtf16Units("a\xF0\x9D\x84\x9E", 3), "a\xF0\x9D\x84\x9E");
    EXPECT_EQ(truncateToUtf16Units("abc", 0), "");
}

struct FailureCase {
    std::string columns;
    std::vector<std::string> rows;
    Ale2fcpOptions options;
    std::string alert;
};

const std::string kMissing = "|You can't convert an ALE file without this column.|Cancel||";

TEST(Ale2fcp, FailuresAlertAndAnswerOneSpace) {
    // clang-format off
    std::vector<FailureCase> cases = {
        {"Name\tEnd\tTC 24 End\tTracks\tTape", {}, {.myTVSys = "24 fps", .tcFieldName = "x"},
         "The column \"Start\" is missing!" + kMissing},
        {kColumns, {"a\t1\t2\tV\tT", "b\t\t2\tV\tT"}, {},
         "The starting timecode is missing!|There is no timecode value in the timecode column."
         "|Cancel||"},
        {kColumns, {"b\t1:00\t2\tV\tT"}, {.myTVSys = "24 fps"},
         "The starting timecode is not valid!|The start \"1:00\" is not a 30 fps timecode "
         "(HH:MM:SS:FF, frames 00 to 29), so it can't be converted to 24 fps.|Cancel||"},
    };
    // clang-format on
    const std::vector<std::string> required = {"Name", "Start", "End", "Tracks", "Tape"};
    for (const std::string& missing : required) {
        std::string columns = "Reel";
        for (const std::string& column : required)
            columns += column == missing ? "" : "\t" + column;
        cases.push_back({columns, {}, {}, "The column \"" + missing + "\" is missing!" + kMissing});
    }
    for (const auto& c : cases) {
        const Outcome run = convert(aleText(c.columns, c.rows), c.options);
        EXPECT_EQ(run.result, " ") << c.alert;
        EXPECT_EQ(run.events, (std::vector<std::string>{"beep", "alert " + c.alert}));
    }
}

} // namespace
} // namespace korvel
