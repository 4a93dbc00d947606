// SPDX-License-Identifier: MIT
// The terminal's progress line: what it shows, and that log lines and alerts never run into it.
#include "cli/progress_line.h"
#include "cli/terminal_user_interface.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using namespace std::chrono_literals;

TEST(ProgressLine, ShowsTheRunTheFileTheRateAndTheTimeLeft) {
    const ProgressLine::Clock::time_point t0{};
    const std::tuple<std::uint64_t, ProgressLine::Clock::duration, std::string> cases[] = {
        {1'000'000, 100ms,
         "[#####...............]  25% 1.0 MB of 518.0 MB  BIG.WAV"}, // no rate yet
        {259'000'000, 5s,
         "[#######.............]  38% 259.0 MB of 518.0 MB  51.8 MB/s  0:05 left  BIG.WAV"},
    };
    for (const auto& [done, after, expected] : cases) {
        ProgressLine line;
        line.begin(4);
        line.update(1, "BIG.WAV");
        line.fileBytes(0, 518'000'000, t0);
        line.fileBytes(done, 518'000'000, t0 + after);
        EXPECT_EQ(line.render(120), expected);
    }
    ProgressLine line;
    line.begin(0);
    // 9 columns take 8 characters, never half of one.
    line.update(0, "\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8");
    EXPECT_EQ(line.render(9), "\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8\xC3\xA8");
    EXPECT_EQ(formatBytes(1'520'000'000), "1.52 GB");
    EXPECT_EQ(formatDuration(3723s), "1:02:03");
}

// What the interface wrote to its error stream, on a terminal and elsewhere.
std::string written(bool terminal) {
    std::FILE* stream = std::tmpfile();
    {
        TerminalUserInterface ui(stream, false, terminal);
        ui.progress().begin("bwf2qt", 1);
        ui.progress().update(0, "Converting BWF File: BIG.WAV", {});
        ui.writeLogEntry("Converting BWF File: /in/BIG.WAV...\r");
        ui.runAlert(Alert{"Title", "Message", "OK", {}, {}, false});
        ui.progress().end();
    }
    std::string text(static_cast<std::size_t>(std::ftell(stream)), '\0');
    std::rewind(stream);
    text.resize(std::fread(text.data(), 1, text.size(), stream));
    std::fclose(stream);
    return text;
}

TEST(TerminalUserInterface, LogLinesAndAlertsClearTheProgressLineFirst) {
    const std::string bar = "\r\x1b[K[....................]   0% Converting BWF File: BIG.WAV";
    EXPECT_EQ(written(true), bar + "\r\x1b[KConverting BWF File: /in/BIG.WAV...\n\n" + bar +
                                 "\r\x1b[KTitle: Message\n");
    EXPECT_EQ(written(false), "Converting BWF File: /in/BIG.WAV...\n\nTitle: Message\n");
}

} // namespace
} // namespace korvel
