// SPDX-License-Identifier: MIT
#pragma once

#include "cli/command_table.h"

namespace korvel {

/// korvel tc check|read|add|delete MOVIE
void addTcCommands(CLI::App& app, CommandTable& table);

} // namespace korvel
