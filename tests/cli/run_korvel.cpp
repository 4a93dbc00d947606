// SPDX-License-Identifier: MIT
#include "run_korvel.h"

#include <atomic>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace korvel::test {
namespace {

// A file name in the temporary folder that no other run of this process uses: runs may go side by
// side.
std::string uniqueTemporary(const std::string& stem) {
    static std::atomic<int> counter{0};
    return std::filesystem::temp_directory_path() /
           (stem + std::to_string(getpid()) + "-" + std::to_string(counter++));
}

std::string takeText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(path);
    return text;
}

} // namespace

pid_t startKorvel(const std::vector<std::string>& arguments, const std::string& outPath,
                  const std::string& errPath) {
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

CommandResult runKorvel(const std::vector<std::string>& arguments) {
    const std::string base = uniqueTemporary("korvel-run-");
    const pid_t pid = startKorvel(arguments, base + ".out", base + ".err");
    int status = 0;
    waitpid(pid, &status, 0);
    CommandResult result{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                         takeText(base + ".out"), takeText(base + ".err")};
    return result;
}

std::vector<std::string> KorvelTest::korvel(std::vector<std::string> arguments,
                                            std::vector<std::string> options) const {
    options.insert(options.begin(), {"--prefs", path("prefs.ini")});
    arguments.insert(arguments.begin(), options.begin(), options.end());
    return arguments;
}

void KorvelTest::expectRuns(const std::vector<ExpectedRun>& rows) const {
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

} // namespace korvel::test
