// SPDX-License-Identifier: MIT
// korvel bwf-info FILE [--json]: the information summary of a BWF file, as the log shows it when
// the file is opened, or the whole information record as one JSON object.
#include "cli/bwf_info_command.h"

#include "app/bwf_info_command.h"
#include "cli/session.h"

#include <iostream>
#include <memory>

namespace korvel {
namespace {

struct BwfInfoArguments {
    std::string file;
    bool json = false;
};

int bwfInfo(Session& session, const BwfInfoArguments& args) {
    const auto info = bwfInformation(session.prefs(), args.file, args.json);
    if (!info) {
        std::cerr << "korvel: " << info.error().message << '\n';
        return kExitFailed;
    }
    for (const std::string& line : info->lines) {
        std::cout << line << '\n';
    }
    if (!info->hasBext) {
        std::cerr << "korvel: \"" << args.file << "\" has no bext chunk\n";
    }
    return kExitDone;
}

} // namespace

void addBwfInfoCommands(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<BwfInfoArguments>();
    CLI::App* command = app.add_subcommand(
        "bwf-info", "The information summary of a BWF file: channels, rate, bits, start timecode "
                    "(at \"BWFfpsRate\"), reel (by \"BWFTapeIDSelect\"), scene, take, note");
    command->add_option("FILE", args->file, "BWF (Broadcast Wave) file")->required();
    command->add_flag("--json", args->json,
                      "print the information record (18 keys) as one JSON object instead");
    command->footer("Examples:\n"
                    "  korvel bwf-info A001T01.WAV\n"
                    "  korvel --bwf-fps \"NTSC DF\" bwf-info A001T01.WAV --json");
    table.add(command, [args](Session& session) { return bwfInfo(session, *args); });
}

} // namespace korvel
