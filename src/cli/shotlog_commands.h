// SPDX-License-Identifier: MIT
#pragma once

#include "cli/command_table.h"

#include <optional>
#include <string>

namespace korvel {

class Session;

/// `korvel ale2fcp` and `korvel fcp2ale`.
void addShotlogCommands(CLI::App& app, CommandTable& table);

void addAle2fcpCommand(CLI::App& app, CommandTable& table);
void addFcp2aleCommand(CLI::App& app, CommandTable& table);

/// What to do with a save target that already exists (--on-exists).
enum class OnExists { Ask, Skip, Replace, Abort };

/// Answers the question a save panel would ask about an existing file: the flag's answer, else
/// the person's at a terminal, else skip. Never Ask.
OnExists resolveExisting(Session& session, OnExists policy, const std::string& path);

/// Adds --on-exists to a command.
void addOnExistsOption(CLI::App& command, OnExists& policy);

} // namespace korvel
