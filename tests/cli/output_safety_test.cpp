// SPDX-License-Identifier: MIT
// What korvel writes and what it leaves alone: never an input, nothing left behind by an
// interrupt, and one movie per name when runs meet.
#include "../audio/wave_builder.h"
#include "../movie/test_media.h"
#include "run_korvel.h"
#include "support/output_folder_test.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

// A recording (a long one takes no room on disk: the header, then a hole of `dataBytes`).
void writeRecording(const std::string& path, std::uint64_t dataBytes, std::uint16_t channels = 2,
                    std::uint16_t bits = 24) {
    BextFields fields = describedAs("sTAPE=R01\r\n");
    Bytes header = bwfRecording(fields, channels, 48000, bits, 0);
    for (int i = 0; i < 4; ++i) {
        header[header.size() - 4 + i] = static_cast<std::uint8_t>(dataBytes >> (8 * i));
        header[4 + i] = static_cast<std::uint8_t>((header.size() - 8 + dataBytes) >> (8 * i));
    }
    writeFile(path, header);
    fs::resize_file(path, header.size() + dataBytes);
}

class OutputSafetyTest : public KorvelTest {
  protected:
    std::vector<std::string> bwf2qt(const std::string& recording, const std::string& folder) const {
        return korvel({"bwf2qt", recording, "-d", folder});
    }
};

// Every way an output or the log could name an input (or the movie the run writes) stops the
// run before anything is written, and says which file.
TEST_F(OutputSafetyTest, OutputsNeverReplaceInputs) {
    writeRecording(path("a.WAV"), 48000);
    fs::create_hard_link(path("a.WAV"), path("alias.txt"));
    const std::string ale = writeText("day.ale", "x\n");
    writeText("list.txt", "old");
    const Bytes original = readFile(path("a.WAV"));
    const std::string a = path("a.WAV");
    const std::string d = out("");
    // The file the refusal names, then the arguments.
    const std::vector<std::string> rows[] = {
        {"a.WAV", "--log", a, "bwf2qt", a, "-d", d},
        {"a.WAV", "bwf2qt", a, "-d", d, "--batch-list", a, "--on-exists", "replace"},
        {"alias.txt", "bwf2qt", a, "-d", d, "--batch-list", path("alias.txt"), "--on-exists",
         "replace"},
        {"a.mov", "bwf2qt", a, "-d", d, "--xml", out("a.mov")},
        {"a.mov", "--log", out("a.mov"), "bwf2qt", a, "-d", d},
        {"list.txt exists; stopped", "bwf2qt", a, "-d", d, "--batch-list", path("list.txt"),
         "--on-exists", "abort"},
        {"", "ale2fcp", ale, "-o", ale, "--on-exists", "replace"},
        {"", "--log", path("prefs.ini"), "prefs", "list"},
    };
    for (const std::vector<std::string>& row : rows) {
        SCOPED_TRACE(row[0] + " " + row[1] + " " + row[3]);
        const std::vector<std::string> arguments(row.begin() + 1, row.end());
        const CommandResult result = runKorvel(korvel(arguments));
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.err.find(row[0]), std::string::npos) << result.err;
        EXPECT_TRUE(readFile(a) == original);
        EXPECT_EQ(readText(ale), "x\n");
        EXPECT_EQ(readText(path("list.txt")), "old");
        // Stopping at an existing list comes after the movie.
        EXPECT_EQ(fs::is_empty(m_folder / "out"), row[0].find("stopped") == std::string::npos);
        fs::remove_all(m_folder / "out");
        fs::create_directory(m_folder / "out");
    }
}

// Interrupted in the middle of a long copy, the run leaves neither a movie nor a temporary.
TEST_F(OutputSafetyTest, InterruptLeavesNoTemporary) {
    writeRecording(path("LONG.wav"), 3ull << 30);
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const pid_t pid = startKorvel(bwf2qt(path("LONG.wav"), out("")));
        // Until the temporary is there, or the run ended by itself.
        int status = 0;
        while (temporariesIn(m_folder / "out") == 0 && ::waitpid(pid, &status, WNOHANG) == 0) {
            ::usleep(1000);
        }
        ::kill(pid, signal);
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_EQ(temporariesIn(m_folder / "out"), 0);
        EXPECT_FALSE(fs::exists(out("LONG.mov")));
    }
}

// Two runs writing the same movie at once: at most one says it wrote it, and what is there is a
// whole movie, one run's or the other's.
TEST_F(OutputSafetyTest, ConcurrentRunsNeverMix) {
    if (!haveProgram("ffprobe")) {
        GTEST_SKIP() << "ffprobe judges the movie";
    }
    // Long enough for the runs to overlap, and laid out differently, so that a mix shows.
    constexpr std::uint64_t kDataBytes = 192u << 20;
    const std::string expected[] = {"pcm_s24le," + std::to_string(kDataBytes / 6) + "\n",
                                    "pcm_s16le," + std::to_string(kDataBytes / 2) + "\n"};
    for (const auto& [source, channels, bits] : {std::tuple{"one", 2, 24}, {"two", 1, 16}}) {
        fs::create_directories(m_folder / source);
        writeRecording(path(std::string(source) + "/T01.wav"), kDataBytes, channels, bits);
    }
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        fs::remove(out("T01.mov"));
        CommandResult first;
        CommandResult second;
        std::thread a([&] { first = runKorvel(bwf2qt(path("one/T01.wav"), out(""))); });
        std::thread b([&] { second = runKorvel(bwf2qt(path("two/T01.wav"), out(""))); });
        a.join();
        b.join();
        EXPECT_EQ((first.out.find("T01.mov") != std::string::npos) +
                      (second.out.find("T01.mov") != std::string::npos),
                  1)
            << first.err << second.err;
        const std::string probed =
            commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                          "stream=codec_name,duration_ts -of csv=p=0 " +
                          shellQuote(out("T01.mov")));
        EXPECT_TRUE(probed == expected[0] || probed == expected[1]) << probed;
        EXPECT_EQ(temporariesIn(m_folder / "out"), 0);
    }
}

} // namespace
} // namespace korvel::test
