// SPDX-License-Identifier: MIT
#pragma once

#include "cli/command_table.h"

namespace korvel {

/// korvel bwf-info FILE [--json]
void addBwfInfoCommands(CLI::App& app, CommandTable& table);

} // namespace korvel
