// SPDX-License-Identifier: MIT
#pragma once

#include "cli/command_table.h"

namespace korvel {

/// korvel bwf2qt FILE... -d DEST [--batch-list OUT.txt] [--xml OUT.xml]
void addBwf2qtCommand(CLI::App& app, CommandTable& table);

} // namespace korvel
