// SPDX-License-Identifier: MIT
#include "shotlog/ale_reader.h"
#include "shotlog_test_support.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::joinLines;
using test::RecordedLog;

const std::vector<std::string> kSmallAle = {
    "Heading", "FIELD_DELIM\tTABS", "VIDEO_FORMAT\tPAL", "FPS\t25", "", "Column", "Name\tStart", "",
    "Data",    "a\t01:00:00:00",    "b\t02:00:00:00"};

struct LineBreakCase {
    std::string_view lineBreak;
    AleLineBreak expected;
    std::string_view message;
};

class AleReaderLineBreaks : public testing::TestWithParam<LineBreakCase> {};

TEST_P(AleReaderLineBreaks, DetectsAndLogsTheBreak) {
    ScriptedUserInterface ui;
    RecordedLog log;
    const std::string text = joinLines(kSmallAle, GetParam().lineBreak);
    const auto ale = readAle(text, {AleReaderKind::Ale2fcp, "PAL", {}}, ui, log.sink());
    ASSERT_TRUE(ale.ok());
    EXPECT_EQ(ale->lineBreak, GetParam().expected);
    EXPECT_EQ(log.entries, (std::vector<std::string>{std::string(GetParam().message),
                                                     "The ALE file has PAL video format"}));
    EXPECT_EQ(ale->headerArray, (std::vector<std::string_view>{"Name", "Start"}));
    EXPECT_EQ(ale->clipRows, (std::vector<std::string_view>{"a\t01:00:00:00", "b\t02:00:00:00"}));
}

INSTANTIATE_TEST_SUITE_P(
    All, AleReaderLineBreaks,
    testing::Values(LineBreakCase{"\r\n", AleLineBreak::Windows,
                                  "The ALE file has Windows line breaks!"},
                    LineBreakCase{"\n", AleLineBreak::Unix, "The ALE file has Unix line breaks!"},
                    LineBreakCase{"\r", AleLineBreak::Mac, "The ALE file has Mac line breaks!"}));

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

struct RefusalCase {
    std::string name;
    std::string text;
    std::string tvSys;
    std::string alert; // "title|message|button||"
};

class AleReaderRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(AleReaderRefusals, BeepsAlertsAndStops) {
    ScriptedUserInterface ui;
    RecordedLog log;
    const auto ale =
        readAle(GetParam().text, {AleReaderKind::Ale2fcp, GetParam().tvSys, {}}, ui, log.sink());
    EXPECT_FALSE(ale.ok());
    ASSERT_EQ(ui.events().size(), 2u);
    EXPECT_EQ(ui.events()[0], "beep");
    EXPECT_EQ(ui.events()[1], "alert " + GetParam().alert);
}

INSTANTIATE_TEST_SUITE_P(
    All, AleReaderRefusals,
    testing::Values(
        RefusalCase{"HeadingWithSpace", "Heading \nColumn\nName\nData\n", "PAL",
                    "Something is wrong here...|The file is not an ALE file!|Too Bad...||"},
        RefusalCase{"LowerCaseHeading", "heading\nColumn\nName\nData\n", "PAL",
                    "Something is wrong here...|The file is not an ALE file!|Too Bad...||"},
        RefusalCase{"Empty", "", "PAL",
                    "Something is wrong here...|The file is not an ALE file!|Too Bad...||"},
        RefusalCase{"NtscUnderPal", "Heading\nVIDEO_FORMAT\tNTSC\nColumn\nName\nData\n", "PAL",
                    "Video Format confusion...|The ALE file is in NTSC format but the preferences "
                    "are set to PAL!|Cancel||"},
        RefusalCase{"PalUnderNtsc", "Heading\nVIDEO_FORMAT\tPAL\nColumn\nName\nData\n", "NTSC",
                    "Video Format confusion...|The ALE file is in PAL format but the preferences "
                    "are set to NTSC!|Cancel||"},
        // Under the newer systems the FPS heading must name the same rate.
        RefusalCase{"Pal25Under23976", "Heading\nFPS\t25\nColumn\nName\nData\n", "23.976 fps",
                    "Frame rate confusion...|The ALE file is at 25 fps but the preferences are "
                    "set to 23.976 fps!|Cancel||"},
        RefusalCase{"Film24Under23976", "Heading\nFPS\t24\nColumn\nName\nData\n", "23.976 fps",
                    "Frame rate confusion...|The ALE file is at 24 fps but the preferences are "
                    "set to 23.976 fps!|Cancel||"},
        RefusalCase{"Ntsc2997Under5994", "Heading\nFPS\t29.97\nColumn\nName\nData\n", "59.94 fps",
                    "Frame rate confusion...|The ALE file is at 29.97 fps but the preferences are "
                    "set to 59.94 fps!|Cancel||"},
        RefusalCase{"NoColumn", "Heading\nData\na\n", "PAL",
                    "Something is wrong here...|The ALE file has no \"Column\" line!|Too Bad...||"},
        RefusalCase{"ColumnOnlyAsLastText", "Heading\nData\nColumn", "PAL",
                    "Something is wrong here...|The ALE file has no \"Column\" line!|Too Bad...||"},
        RefusalCase{"NoData", "Heading\nColumn\nName\n\n", "PAL",
                    "Something is wrong here...|The ALE file has no \"Data\" line!|Too Bad...||"}),
    [](const auto& info) { return info.param.name; });

struct PassCase {
    std::string name;
    std::string text;
    std::string tvSys;
    std::vector<std::string> log;
    std::vector<std::string_view> rows;
};

class AleReaderPasses : public testing::TestWithParam<PassCase> {};

TEST_P(AleReaderPasses, ReadsTheRows) {
    ScriptedUserInterface ui;
    RecordedLog log;
    const auto ale =
        readAle(GetParam().text, {AleReaderKind::Ale2fcp, GetParam().tvSys, {}}, ui, log.sink());
    ASSERT_TRUE(ale.ok());
    EXPECT_TRUE(ui.events().empty());
    EXPECT_EQ(log.entries, GetParam().log);
    EXPECT_EQ(ale->clipRows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    All, AleReaderPasses,
    testing::Values(
        PassCase{"NtscUnder24",
                 "Heading\nVIDEO_FORMAT\tNTSC\nColumn\nN\nData\na\n",
                 "24 fps",
                 {"The ALE file has Unix line breaks!", "The ALE file has NTSC video format"},
                 {"a"}},
        PassCase{"PalUnder24",
                 "Heading\nVIDEO_FORMAT\tPAL\nColumn\nN\nData\na\n",
                 "24 fps",
                 {"The ALE file has Unix line breaks!", "The ALE file has PAL video format"},
                 {"a"}},
        PassCase{"LowerCaseFormatIsIgnored",
                 "Heading\nVIDEO_FORMAT\tntsc\nColumn\nN\nData\na\n",
                 "PAL",
                 {"The ALE file has Unix line breaks!"},
                 {"a"}},
        PassCase{"TrailingSpaceFormatIsIgnored",
                 "Heading\nVIDEO_FORMAT\tNTSC \nColumn\nN\nData\na\n",
                 "PAL",
                 {"The ALE file has Unix line breaks!"},
                 {"a"}},
        // A final row without a line break is still a clip.
        PassCase{"FinalRowWithoutBreak",
                 "Heading\rColumn\rN\rData\ra\rb",
                 "PAL",
                 {"The ALE file has Mac line breaks!"},
                 {"a", "b"}},
        PassCase{"BlankLineEndsData",
                 "Heading\nColumn\nN\nData\na\n\nb\n",
                 "PAL",
                 {"The ALE file has Unix line breaks!"},
                 {"a"}},
        PassCase{"ByteOrderMarkSkipped",
                 "\xEF\xBB\xBFHeading\nColumn\nN\nData\na\n",
                 "PAL",
                 {"The ALE file has Unix line breaks!"},
                 {"a"}},
        // Every line end ends a line, whichever the file's first line uses.
        PassCase{"MixedBreaksInWindowsFile",
                 "Heading\r\nColumn\r\nN\r\nData\r\na\nb\rc\r\n",
                 "PAL",
                 {"The ALE file has Windows line breaks!"},
                 {"a", "b", "c"}},
        PassCase{"MixedBreaksInUnixFile",
                 "Heading\nColumn\r\nN\rData\na\rb\n",
                 "PAL",
                 {"The ALE file has Unix line breaks!"},
                 {"a", "b"}},
        PassCase{"MixedBreaksInMacFile",
                 "Heading\rColumn\nN\rData\ra\nb\r\nc",
                 "PAL",
                 {"The ALE file has Mac line breaks!"},
                 {"a", "b", "c"}},
        PassCase{"DataWithoutRows",
                 "Heading\nColumn\nN\nData",
                 "PAL",
                 {"The ALE file has Unix line breaks!"},
                 {}}),
    [](const auto& info) { return info.param.name; });

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

// The FPS heading is read only under the newer systems; PAL, NTSC and 24 fps keep their
// VIDEO_FORMAT checks alone, and a rate the table does not know is let through.
TEST(AleReader, FpsHeadingPassesWhenItNamesTheSameRateOrNone) {
    const struct {
        std::string_view fps;
        std::string_view tvSys;
    } cases[] = {
        {"23.976", "23.976 fps"}, {"23.98", "23.976 fps"}, {"30", "30 fps"},
        {"50", "50 fps"},         {"59.94", "59.94 fps"},  {"60", "60 fps"},
        {"47.952", "23.976 fps"}, {"23.976", "PAL"},       {"25", "24 fps"},
        {"23.976", "NTSC"},
    };
    for (const auto& c : cases) {
        ScriptedUserInterface ui;
        RecordedLog log;
        const std::string text =
            "Heading\nFPS\t" + std::string(c.fps) + "\nColumn\nName\nData\na\n";
        EXPECT_TRUE(readAle(text, {AleReaderKind::Ale2fcp, c.tvSys, {}}, ui, log.sink()).ok())
            << c.fps << " under " << c.tvSys;
        EXPECT_TRUE(ui.events().empty()) << c.fps << " under " << c.tvSys;
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
