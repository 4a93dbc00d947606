// SPDX-License-Identifier: MIT
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

namespace korvel {

class Session;

/// Exit statuses of every command: done, stopped on an alert or failed, bad usage.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

/// The sub-commands of `korvel` and what each runs once the arguments are parsed. Each command
/// group adds its sub-commands in its own file (add*Commands) and binds its options to variables
/// that live as long as the table.
class CommandTable {
  public:
    using Run = std::function<int(Session&)>;

    void add(CLI::App* subcommand, Run run) { m_entries.push_back({subcommand, std::move(run)}); }

    /// Runs the sub-command that was parsed; kExitUsage when none was.
    int runParsed(Session& session) const;

  private:
    struct Entry {
        CLI::App* subcommand;
        Run run;
    };
    std::vector<Entry> m_entries;
};

void addTimecodeCommands(CLI::App& app, CommandTable& table);
void addPrefsCommands(CLI::App& app, CommandTable& table);

} // namespace korvel
