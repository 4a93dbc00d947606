// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace korvel::test {

/// What a run of the korvel executable printed and answered.
struct CommandResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

/// Starts the korvel executable with `arguments` (no shell), standard input empty so that every
/// question takes its non-interactive answer, and its outputs into the files named.
pid_t startKorvel(const std::vector<std::string>& arguments,
                  const std::string& outPath = "/dev/null",
                  const std::string& errPath = "/dev/null");

/// Runs the korvel executable and waits for it.
CommandResult runKorvel(const std::vector<std::string>& arguments);

/// A run, and what it must answer: the exit status, standard output whole, and a part of the
/// error stream.
struct ExpectedRun {
    std::vector<std::string> arguments;
    int exitStatus;
    std::string out;
    std::string errMentions = {};
};

/// Runs each row in turn (they may build on each other) and checks its answer.
void expectRuns(const std::vector<ExpectedRun>& rows);

/// A preference file of its own for one test, removed when the test ends.
class TemporaryPrefs {
  public:
    TemporaryPrefs();
    ~TemporaryPrefs();
    TemporaryPrefs(const TemporaryPrefs&) = delete;
    TemporaryPrefs& operator=(const TemporaryPrefs&) = delete;

    /// The arguments with the preference option in front.
    std::vector<std::string> with(std::vector<std::string> arguments) const;
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
};

} // namespace korvel::test
