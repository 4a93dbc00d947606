// SPDX-License-Identifier: MIT
#pragma once

#include "support/output_folder_test.h"

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

/// Starts korvel with `arguments` (no shell) and standard input empty, so that every question
/// takes its non-interactive answer.
pid_t startKorvel(const std::vector<std::string>& arguments,
                  const std::string& outPath = "/dev/null",
                  const std::string& errPath = "/dev/null");
CommandResult runKorvel(const std::vector<std::string>& arguments);

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
                                    std::vector<std::string> options = {}) const;
    /// Runs each row in turn (they may build on each other) and checks its answer.
    void expectRuns(const std::vector<ExpectedRun>& rows) const;
};

} // namespace korvel::test
