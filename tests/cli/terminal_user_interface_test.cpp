// SPDX-License-Identifier: MIT
// The terminal's progress line: what it shows, and that log lines and alerts never run into it.
#include "cli/progress_line.h"
#include "cli/terminal_user_interface.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressLine::Clock;

TEST(ProgressLine, ShowsTheRunTheFileTheRateAndTheTimeLeft) {
    const Clock::time_point t0{};
    struct Case {
        const char* name;
        double value;
        std::uint64_t done;
        Clock::duration after;
        std::string expected;
    };
    const Case cases[] = {
        {"file started", 1, 0, 0s, "[#####...............]  25% 0 kB of 518.0 MB  BIG.WAV"},
        {"too soon for a rate", 1, 1'000'000, 100ms,
         "[#####...............]  25% 1.0 MB of 518.0 MB  BIG.WAV"},
        {"halfway", 1, 259'000'000, 5s,
         "[#######.............]  38% 259.0 MB of 518.0 MB  51.8 MB/s  0:05 left  BIG.WAV"},
        {"done", 1, 518'000'000, 10s, "[##########..........]  50% 518.0 MB of 518.0 MB  BIG.WAV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgressLine line;
        line.begin(4);
        line.update(c.value, "BIG.WAV");
        line.fileBytes(0, 518'000'000, t0);
        line.fileBytes(c.done, 518'000'000, t0 + c.after);
        EXPECT_EQ(line.render(120), c.expected);
    }
}

TEST(ProgressLine, UnknownLengthAndNarrowTerminals) {
    ProgressLine line;
    line.begin(0);
    line.update(0, "Checking for Updates...");
    EXPECT_EQ(line.render(80), "Checking for Updates...");
    // 9 columns take 8 characters, never half of one.
    line.update(0, "\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8");
    EXPECT_EQ(line.render(9), "\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8");
}

TEST(ProgressLine, BytesAndDurationsAsPeopleReadThem) {
    EXPECT_EQ(formatBytes(812'345), "812 kB");
    EXPECT_EQ(formatBytes(518'400'000), "518.4 MB");
    EXPECT_EQ(formatBytes(1'520'000'000), "1.52 GB");
    EXPECT_EQ(formatDuration(7s), "0:07");
    EXPECT_EQ(formatDuration(750s), "12:30");
    EXPECT_EQ(formatDuration(3723s), "1:02:03");
}

// What the interface wrote to its error stream.
std::string written(std::FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    for (int c; (c = std::fgetc(stream)) != EOF;) {
        text += static_cast<char>(c);
    }
    return text;
}

TEST(TerminalUserInterface, LogLinesAndAlertsClearTheProgressLineFirst) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    {
        TerminalUserInterface ui(stream, false, true);
        ui.progress().begin("bwf2qt", 1);
        ui.progress().update(0, "Converting BWF File: BIG.WAV", {});
        ui.writeLogEntry("Converting BWF File: /in/BIG.WAV...");
        ui.runAlert(Alert{"Title", "Message", "OK", {}, {}, false});
        ui.progress().end();
    }
    const std::string bar = "[....................]   0% Converting BWF File: BIG.WAV";
    EXPECT_EQ(written(stream), "\r\x1b[K" + bar + // drawn
                                   "\r\x1b[K" + "Converting BWF File: /in/BIG.WAV...\n" +
                                   "\r\x1b[K" + bar +                // drawn again below
                                   "\r\x1b[K" + "Title: Message\n"); // cleared for the alert
    std::fclose(stream);
}

TEST(TerminalUserInterface, NoProgressLineWhenNotATerminal) {
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    {
        TerminalUserInterface ui(stream, false, false);
        ui.progress().begin("bwf2qt", 1);
        ui.progress().update(0, "Converting BWF File: BIG.WAV", {});
        ui.progress().fileProgress(10, 20);
        ui.writeLogEntry("Ending Batch Add TC...\r");
        ui.progress().end();
    }
    EXPECT_EQ(written(stream), "Ending Batch Add TC...\n\n");
    std::fclose(stream);
}

} // namespace
} // namespace korvel
