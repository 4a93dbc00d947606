// SPDX-License-Identifier: MIT
#include "cli/command_table.h"

namespace korvel {

int CommandTable::runParsed(Session& session) const {
    for (const Entry& entry : m_entries) {
        if (entry.subcommand->parsed()) {
            return entry.run(session);
        }
    }
    return kExitUsage;
}

} // namespace korvel
