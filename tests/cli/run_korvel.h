// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace korvel::test {

/// What a run of the korvel executable printed and answered.
struct CommandResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

/// Runs the korvel executable with `arguments` (no shell) and waits for it; standard input is
/// empty, so every question takes its non-interactive answer.
CommandResult runKorvel(const std::vector<std::string>& arguments);

/// A preference file of its own for one test, removed when the test ends.
class TemporaryPrefs {
  public:
    TemporaryPrefs();
    ~TemporaryPrefs();
    TemporaryPrefs(const TemporaryPrefs&) = delete;
    TemporaryPrefs& operator=(const TemporaryPrefs&) = delete;

    /// "--prefs", path: to put before the command.
    std::vector<std::string> option() const { return {"--prefs", m_path}; }
    /// The arguments with the preference option in front.
    std::vector<std::string> with(std::vector<std::string> arguments) const;
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
};

} // namespace korvel::test
