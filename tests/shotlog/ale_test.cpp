// SPDX-License-Identifier: MIT
// Reading ALE shot logs, and converting them to batch lists.
#include "shotlog/ale_reader.h"
#include "shotlog/ale_tools.h"
#include "shotlog_test_support.h"

#include <gtest/gtest.h>
#include <tuple>

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

TEST(AleReader, BatchAddTcNamesTheFileAndLogsEveryFormatLine) {
    ScriptedUserInterface ui;
    RecordedLog log;
    const std::string text =
        "Heading\nVIDEO_FORMAT\tNTSC\nVIDEO_FORMAT\tNTSC\nColumn\nName\nData\na\n\nb\n";
    const auto ale = readAle(text, {AleReaderKind::BatchAddTc, "NTSC", "x.ale"}, ui, log.sink());
    ASSERT_TRUE(ale.ok());
    EXPECT_EQ(log.entries, (std::vector<std::string>{"The ALE file: x.ale has Unix line breaks!",
                                                     "The ALE file has NTSC video format",
                                                     "The ALE file has NTSC video format"}));
    // Batch Add TC reads every line of the data, blank ones too.
    EXPECT_EQ(ale->clipRows, (std::vector<std::string_view>{"a", "", "b"}));
}

TEST(AleReader, RefusalsBeepAlertAndStop) {
    const std::string notAle =
        "Something is wrong here...|The file is not an ALE file!|Too Bad...||";
    const std::string noColumn =
        "Something is wrong here...|The ALE file has no \"Column\" line!|Too Bad...||";
    const auto confusion = [](std::string what, std::string file, std::string prefs) {
        return what + " confusion...|The ALE file is " + file + " but the preferences are set to " +
               prefs + "!|Cancel||";
    };
    // Text, TV system, alert.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"Heading \nColumn\nName\nData\n", "PAL", notAle},
        {"heading\nColumn\nName\nData\n", "PAL", notAle},
        {"", "PAL", notAle},
        {"Heading\nVIDEO_FORMAT\tNTSC\nColumn\nName\nData\n", "PAL",
         confusion("Video Format", "in NTSC format", "PAL")},
        {"Heading\nVIDEO_FORMAT\tPAL\nColumn\nName\nData\n", "NTSC",
         confusion("Video Format", "in PAL format", "NTSC")},
        // Under the newer systems the FPS heading must name the same rate.
        {"Heading\nFPS\t25\nColumn\nName\nData\n", "23.976 fps",
         confusion("Frame rate", "at 25 fps", "23.976 fps")},
        {"Heading\nFPS\t24\nColumn\nName\nData\n", "23.976 fps",
         confusion("Frame rate", "at 24 fps", "23.976 fps")},
        {"Heading\nFPS\t29.97\nColumn\nName\nData\n", "59.94 fps",
         confusion("Frame rate", "at 29.97 fps", "59.94 fps")},
        {"Heading\nData\na\n", "PAL", noColumn},
        {"Heading\nData\nColumn", "PAL", noColumn},
        {"Heading\nColumn\nName\n\n", "PAL",
         "Something is wrong here...|The ALE file has no \"Data\" line!|Too Bad...||"},
    };
    for (const auto& [text, tvSys, alert] : cases) {
        ScriptedUserInterface ui;
        RecordedLog log;
        EXPECT_FALSE(readAle(text, {AleReaderKind::Ale2fcp, tvSys, {}}, ui, log.sink()).ok());
        EXPECT_EQ(ui.events(), (std::vector<std::string>{"beep", "alert " + alert})) << text;
    }
}

TEST(AleReader, ReadsTheRows) {
    const auto fps = [](std::string rate) {
        return "Heading\nFPS\t" + rate + "\nColumn\nN\tS\nData\na\n";
    };
    struct Case {
        std::string text;
        std::string tvSys;
        std::string lineBreaks;
        std::string logged; // what the heading logged, if anything
        std::vector<std::string_view> rows;
    };
    // clang-format off
    const Case cases[] = {
        {"Heading\nFIELD_DELIM\tTABS\nVIDEO_FORMAT\tNTSC\nFPS\t25\n\nColumn\nN\tS\n\nData\na\tb\n",
         "24 fps", "Unix", "NTSC video format", {"a\tb"}},
        {"Heading\nVIDEO_FORMAT\tPAL\nColumn\nN\tS\nData\na\n", "24 fps", "Unix",
         "PAL video format", {"a"}},
        // A format not written as the known ones are is ignored.
        {"Heading\nVIDEO_FORMAT\tntsc\nColumn\nN\tS\nData\na\n", "PAL", "Unix", "", {"a"}},
        {"Heading\nVIDEO_FORMAT\tNTSC \nColumn\nN\tS\nData\na\n", "PAL", "Unix", "", {"a"}},
        // A final row without a line break is still a clip.
        {"Heading\rColumn\rN\tS\rData\ra\rb", "PAL", "Mac", "", {"a", "b"}},
        {"Heading\nColumn\nN\tS\nData\na\n\nb\n", "PAL", "Unix", "", {"a"}},
        {"\xEF\xBB\xBFHeading\nColumn\nN\tS\nData\na\n", "PAL", "Unix", "", {"a"}},
        // Every line end ends a line, whichever the file's first line uses.
        {"Heading\r\nColumn\r\nN\tS\r\n\r\nData\r\na\nb\rc\r\n", "PAL", "Windows", "",
         {"a", "b", "c"}},
        {"Heading\nColumn\r\nN\tS\rData\na\rb\n", "PAL", "Unix", "", {"a", "b"}},
        {"Heading\rColumn\nN\tS\rData\ra\nb\r\nc", "PAL", "Mac", "", {"a", "b", "c"}},
        {"Heading\nColumn\nN\tS\nData", "PAL", "Unix", "", {}},
        // The FPS heading is read only under the newer systems, where it passes when it names
        // the same rate; PAL, NTSC and 24 fps keep their VIDEO_FORMAT checks alone, and a rate
        // the table does not know is let through.
        {fps("23.976"), "23.976 fps", "Unix", "23.976 fps", {"a"}},
        {fps("23.98"), "23.976 fps", "Unix", "23.98 fps", {"a"}},
        {fps("59.94"), "59.94 fps", "Unix", "59.94 fps", {"a"}},
        {fps("30"), "30 fps", "Unix", "30 fps", {"a"}},  {fps("25"), "24 fps", "Unix", "", {"a"}},
        {fps("50"), "50 fps", "Unix", "50 fps", {"a"}},
        {fps("60"), "60 fps", "Unix", "60 fps", {"a"}},
        {fps("47.952"), "23.976 fps", "Unix", "", {"a"}},
        {fps("23.976"), "PAL", "Unix", "", {"a"}},      {fps("23.976"), "NTSC", "Unix", "", {"a"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " under " + c.tvSys);
        ScriptedUserInterface ui;
        RecordedLog log;
        const auto ale = readAle(c.text, {AleReaderKind::Ale2fcp, c.tvSys, {}}, ui, log.sink());
        ASSERT_TRUE(ale.ok());
        EXPECT_TRUE(ui.events().empty());
        std::vector<std::string> expectedLog{"The ALE file has " + c.lineBreaks + " line breaks!"};
        if (!c.logged.empty())
            expectedLog.push_back("The ALE file has " + c.logged);
        EXPECT_EQ(log.entries, expectedLog);
        EXPECT_EQ(ale->headerArray, (std::vector<std::string_view>{"N", "S"}));
        EXPECT_EQ(ale->clipRows, c.rows);
    }
}

struct SplitLinesCase {
    std::string_view text;
    std::vector<std::string_view> lines;
};

TEST(SplitLines, EveryLineEndEndsOneLine) {
    // "\n\r" is a line feed, then a carriage return: two line ends.
    const SplitLinesCase cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\rb\nc\r\n", {"a", "b", "c", ""}},
        {"", {""}},
    };
    std::vector<std::string_view> lines;
    for (const SplitLinesCase& c : cases) {
        splitLines(c.text, lines);
        EXPECT_EQ(lines, c.lines) << testing::PrintToString(std::string(c.text));
    }
}

TEST(AleReader, FpsTextsOfEverySystemReadBack) {
    for (TvSystem system : TvSystem::kAll) {
        EXPECT_EQ(tvSystemOfAleFps(aleFpsText(system)), system) << system.name();
    }
    EXPECT_EQ(tvSystemOfAleFps("23.98"), TvSystem::Film23976);
    EXPECT_FALSE(tvSystemOfAleFps("25.00"));
}

} // namespace
} // namespace korvel
