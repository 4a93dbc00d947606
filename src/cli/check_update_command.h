// SPDX-License-Identifier: MIT
#pragma once

#include "cli/command_table.h"

namespace korvel {

/// korvel check-update [--url URL]
void addCheckUpdateCommand(CLI::App& app, CommandTable& table);

} // namespace korvel
