// SPDX-License-Identifier: MIT
#pragma once

#include "cli/command_table.h"

namespace korvel {

/// korvel batch-add-tc ALE MEDIA_FOLDER
void addBatchAddTcCommand(CLI::App& app, CommandTable& table);

} // namespace korvel
