// SPDX-License-Identifier: MIT
#include "cli/shotlog_commands.h"

#include "cli/session.h"

#include <map>

namespace korvel {

void addShotlogCommands(CLI::App& app, CommandTable& table) {
    addAle2fcpCommand(app, table);
    addFcp2aleCommand(app, table);
}

void addOnExistsOption(CLI::App& command, OnExists& policy) {
    const std::map<std::string, OnExists> names = {
        {"skip", OnExists::Skip}, {"replace", OnExists::Replace}, {"abort", OnExists::Abort}};
    command
        .add_option("--on-exists", policy,
                    "when an output file exists: skip, replace or abort (default: ask at a "
                    "terminal, else skip)")
        ->transform(CLI::CheckedTransformer(names));
}

OnExists resolveExisting(Session& session, OnExists policy, const std::string& path) {
    if (policy != OnExists::Ask) {
        return policy;
    }
    // Where nobody can answer, the terminal takes the default button: skip, never replace.
    const int answer = session.ui().runAlert(
        Alert{"The file exists", path + " already exists. Skip it, replace it or stop?", "Skip",
              "Replace", "Stop", false});
    if (answer == kAlertAlternate) {
        return OnExists::Replace;
    }
    return answer == kAlertOther ? OnExists::Abort : OnExists::Skip;
}

} // namespace korvel
