// SPDX-License-Identifier: MIT
#include "shotlog/ale_reader.h"
#include "shotlog_test_support.h"

#include <gtest/gtest.h>
#include <tuple>

namespace korvel {
namespace {

using test::RecordedLog;

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
