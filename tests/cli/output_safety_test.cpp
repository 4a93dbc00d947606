// SPDX-License-Identifier: MIT
// What korvel writes and what it leaves alone: never an input, never a file through a planted
// link, nothing left behind by an interrupt, and one movie per name when runs meet.
#include "../audio/wave_builder.h"
#include "../movie/test_media.h"
#include "run_korvel.h"
#include "support/output_folder_test.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace korvel::test {
namespace {

namespace fs = std::filesystem;

Bytes recording(double seconds, std::uint16_t channels = 2, std::uint16_t bits = 24) {
    BextFields fields = describedAs("sTAPE=R01\r\n");
    fields.timeReference = 48000ull * 3600;
    return bwfRecording(fields, channels, 48000, bits, seconds);
}

// A long recording that takes no room on disk: the header, then a hole of `dataBytes`.
void writeSparseRecording(const std::string& path, std::uint64_t dataBytes,
                          std::uint16_t channels = 2, std::uint16_t bits = 24) {
    Bytes header = recording(0, channels, bits);
    for (int i = 0; i < 4; ++i) {
        header[header.size() - 4 + i] = static_cast<std::uint8_t>(dataBytes >> (8 * i));
        header[4 + i] = static_cast<std::uint8_t>((header.size() - 8 + dataBytes) >> (8 * i));
    }
    writeFile(path, header);
    fs::resize_file(path, header.size() + dataBytes);
}

class OutputSafetyTest : public test::OutputFolderTest {
  protected:
    OutputSafetyTest() : OutputFolderTest("korvel_cli_outputs_") {}
    std::vector<std::string> bwf2qt(std::vector<std::string> arguments) const {
        std::vector<std::string> all = prefs.option();
        all.push_back("bwf2qt");
        all.insert(all.end(), arguments.begin(), arguments.end());
        return all;
    }

    TemporaryPrefs prefs;
};

// Every way an output or the log could name an input (or the movie the run writes) stops the
// run before anything is written, and says which file.
TEST_F(OutputSafetyTest, OutputsNeverReplaceInputs) {
    writeFile(path("a.WAV"), recording(0.2));
    fs::create_hard_link(path("a.WAV"), path("alias.txt"));
    const Bytes original = readFile(path("a.WAV"));
    const std::string d = (m_folder / "out").string();
    struct Row {
        const char* name;
        std::vector<std::string> before; // global options
        std::vector<std::string> after;  // bwf2qt options
        std::string named;               // the file the message names
    };
    const Row rows[] = {
        {"log is the recording", {"--log", path("a.WAV")}, {"-d", d}, "a.WAV"},
        {"batch list is the recording",
         {},
         {"-d", d, "--batch-list", path("a.WAV"), "--on-exists", "replace"},
         "a.WAV"},
        {"batch list is a hard link to it",
         {},
         {"-d", d, "--batch-list", path("alias.txt"), "--on-exists", "replace"},
         "alias.txt"},
        {"xml is the movie", {}, {"-d", d, "--xml", out("a.mov")}, "a.mov"},
        {"log is the movie", {"--log", out("a.mov")}, {"-d", d}, "a.mov"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> arguments = prefs.option();
        arguments.insert(arguments.end(), row.before.begin(), row.before.end());
        arguments.insert(arguments.end(), {"bwf2qt", path("a.WAV")});
        arguments.insert(arguments.end(), row.after.begin(), row.after.end());
        const CommandResult result = runKorvel(arguments);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.err.find(row.named), std::string::npos) << result.err;
        EXPECT_TRUE(readFile(path("a.WAV")) == original);
        EXPECT_TRUE(fs::is_empty(m_folder / "out"));
    }

    // The shot-log commands and the log of any command.
    const std::string ale = path("day.ale");
    writeFile(ale, Bytes{'x', '\n'});
    const Bytes aleBytes = readFile(ale);
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"ale2fcp", ale, "-o", ale, "--on-exists", "replace"},
          {"--log", ale, "ale2fcp", ale, "-o", "-"},
          {"--log", path("a.WAV"), "bwf-info", path("a.WAV")},
          {"--log", prefs.path(), "prefs", "list"}}) {
        SCOPED_TRACE(arguments[1]);
        const CommandResult result = runKorvel(prefs.with(arguments));
        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_TRUE(readFile(ale) == aleBytes);
        EXPECT_TRUE(readFile(path("a.WAV")) == original);
    }
}

TEST_F(OutputSafetyTest, AbortNamesTheFileThatExists) {
    writeFile(path("a.WAV"), recording(0.2));
    writeFile(path("list.txt"), Bytes{'o', 'l', 'd'});
    const CommandResult result = runKorvel(bwf2qt(
        {path("a.WAV"), "-d", out(""), "--batch-list", path("list.txt"), "--on-exists", "abort"}));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find(path("list.txt") + " exists; stopped"), std::string::npos)
        << result.err;
    EXPECT_TRUE(readFile(path("list.txt")) == (Bytes{'o', 'l', 'd'}));
}

// Interrupted in the middle of a long copy, the run leaves neither a movie nor a temporary.
TEST_F(OutputSafetyTest, InterruptLeavesNoTemporary) {
    writeSparseRecording(path("LONG.wav"), 3ull << 30);
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        std::vector<std::string> argv = {KORVEL_EXECUTABLE};
        for (const std::string& argument : bwf2qt({path("LONG.wav"), "-d", out("")})) {
            argv.push_back(argument);
        }
        std::vector<char*> pointers;
        for (std::string& argument : argv) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, KORVEL_EXECUTABLE, &actions, nullptr, pointers.data(), environ),
                  0);
        posix_spawn_file_actions_destroy(&actions);
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
// whole movie.
TEST_F(OutputSafetyTest, ConcurrentRunsNeverMix) {
    if (!haveProgram("ffprobe")) {
        GTEST_SKIP() << "ffprobe judges the movie";
    }
    fs::create_directories(m_folder / "one");
    fs::create_directories(m_folder / "two");
    // Long enough for the two runs to overlap, and laid out differently, so that a mix shows.
    constexpr std::uint64_t kDataBytes = 192u << 20;
    writeSparseRecording(path("one/T01.wav"), kDataBytes, 2, 24);
    writeSparseRecording(path("two/T01.wav"), kDataBytes, 1, 16);
    // What each run writes alone; a mix of the two matches neither in size.
    std::vector<std::uintmax_t> soloSizes;
    for (const char* source : {"one", "two"}) {
        const fs::path folder = m_folder / (std::string(source) + "-alone");
        fs::create_directories(folder);
        EXPECT_EQ(runKorvel(bwf2qt({path(std::string(source) + "/T01.wav"), "-d", folder.string()}))
                      .exitStatus,
                  0);
        soloSizes.push_back(fs::file_size(folder / "T01.mov"));
        fs::remove_all(folder);
    }
    const std::string stereo = "pcm_s24le," + std::to_string(kDataBytes / 6) + "\n";
    const std::string mono = "pcm_s16le," + std::to_string(kDataBytes / 2) + "\n";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        fs::remove(out("T01.mov"));
        CommandResult first;
        CommandResult second;
        std::thread a([&] { first = runKorvel(bwf2qt({path("one/T01.wav"), "-d", out("")})); });
        std::thread b([&] { second = runKorvel(bwf2qt({path("two/T01.wav"), "-d", out("")})); });
        a.join();
        b.join();
        const int claims = (first.out.find("T01.mov") != std::string::npos) +
                           (second.out.find("T01.mov") != std::string::npos);
        EXPECT_EQ(claims, 1) << first.err << second.err;
        const std::string probed =
            commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                          "stream=codec_name,duration_ts -of csv=p=0 '" +
                          out("T01.mov") + "' 2>&1");
        EXPECT_TRUE(probed == stereo || probed == mono) << probed;
        const auto size = fs::file_size(out("T01.mov"));
        EXPECT_TRUE(size == soloSizes[0] || size == soloSizes[1]) << size;
        EXPECT_EQ(temporariesIn(m_folder / "out"), 0);
    }
}

} // namespace
} // namespace korvel::test
