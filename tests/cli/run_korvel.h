// SPDX-License-Identifier: MIT
#pragma once

#include "support/output_folder_test.h"

#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace korvel::test {

/// What a run of the korvel executable printed and answered.
struct CommandResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

/// Starts korvel with `arguments` (no shell) and standard input empty, so that every question
/// takes its non-interactive answer.
inline pid_t startKorvel(const std::vector<std::string>& arguments,
                         const std::string& outPath = "/dev/null",
                         const std::string& errPath = "/dev/null") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (const auto& [fd, path] : {std::pair{STDOUT_FILENO, &outPath}, {STDERR_FILENO, &errPath}}) {
        posix_spawn_file_actions_addopen(&actions, fd, path->c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    }
    std::vector<std::string> argv{KORVEL_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, KORVEL_EXECUTABLE, &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " KORVEL_EXECUTABLE);
    }
    return pid;
}

/// The whole text of a file the run wrote, and the file removed.
inline std::string takeText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(path);
    return text;
}

inline CommandResult runKorvel(const std::vector<std::string>& arguments) {
    // Files in the temporary folder that no other run of this process uses: runs may go side by
    // side.
    static std::atomic<int> counter{0};
    const std::string base =
        std::filesystem::temp_directory_path() /
        ("korvel-run-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    const pid_t pid = startKorvel(arguments, base + ".out", base + ".err");
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
            takeText(base + ".out"), takeText(base + ".err")};
}

/// A run and its answer: the exit status, standard output whole, a part of the error stream.
struct ExpectedRun {
    std::vector<std::string> arguments;
    int exitStatus;
    std::string out;
    std::string errMentions = {};
};

/// A folder of its own for runs of korvel, with their preference store in it.
class KorvelTest : public OutputFolderTest {
  protected:
    /// The arguments after the store's option and the global `options`.
    std::vector<std::string> korvel(std::vector<std::string> arguments,
                                    std::vector<std::string> options = {}) const {
        options.insert(options.begin(), {"--prefs", path("prefs.ini")});
        arguments.insert(arguments.begin(), options.begin(), options.end());
        return arguments;
    }
    /// Runs each row in turn (they may build on each other) and checks its answer.
    void expectRuns(const std::vector<ExpectedRun>& rows) const {
        for (const ExpectedRun& row : rows) {
            std::string line;
            for (const std::string& argument : row.arguments) {
                line += argument.substr(argument.rfind('/') + 1) + " ";
            }
            SCOPED_TRACE(line);
            const CommandResult result = runKorvel(row.arguments);
            EXPECT_EQ(result.exitStatus, row.exitStatus) << result.err;
            EXPECT_EQ(result.out, row.out);
            EXPECT_NE(result.err.find(row.errMentions), std::string::npos) << result.err;
            if (row.exitStatus == 2) {
                EXPECT_FALSE(result.err.empty()) << "bad usage says why";
            }
        }
    }
};

} // namespace korvel::test
