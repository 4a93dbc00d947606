// SPDX-License-Identifier: MIT
// korvel fcp2ale BATCHLIST [-d DIR]: a Final Cut Pro batch list to ALE shot logs, each written
// as DIR/NAME.ale where NAME is the name the save panel would propose.
#include "app/conversion_commands.h"
#include "cli/output_policy.h"
#include "cli/session.h"
#include "cli/shotlog_commands.h"
#include "platform/text_file.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <set>

namespace korvel {
namespace {

namespace fs = std::filesystem;

struct Fcp2aleArguments {
    std::string batchList;
    std::string folder;
    OnExists onExists = OnExists::Ask;
};

// A proposed name is a bin's name from the batch list: it must name a file inside DIR and
// nothing else (the system would read a path only up to a NUL byte).
std::string safeFileName(std::string name) {
    for (char& c : name) {
        if (c == '/' || c == '\0') {
            c = '_';
        }
    }
    return name;
}

int run(Session& session, const Fcp2aleArguments& args) {
    const std::string listPath = fs::absolute(args.batchList).lexically_normal().string();
    const fs::path folder = args.folder.empty() ? fs::path(listPath).parent_path()
                                                : fs::absolute(args.folder).lexically_normal();
    if (!fs::is_directory(folder)) {
        std::cerr << "korvel: " << folder.string() << " is not a folder\n";
        return kExitFailed;
    }

    OutputPolicy outputs(session, args.onExists, {listPath, session.logFile()});
    std::set<std::string> writtenThisRun;
    std::vector<std::string> written;
    TerminalUserInterface& ui = session.ui();
    ui.setOpenPanelAnswerer(
        [&](const OpenPanel&) { return std::optional<std::vector<std::string>>({listPath}); });
    ui.setSavePanelAnswerer([&](const SavePanel& panel) -> std::optional<std::string> {
        if (outputs.stopped()) {
            return std::nullopt;
        }
        const std::string base = safeFileName(panel.proposedName);
        std::string path = (folder / (base + ".ale")).string();
        // Two bins of one batch list may propose the same name; both are kept.
        for (int n = 2; writtenThisRun.count(path) != 0; ++n) {
            path = (folder / (base + "-" + std::to_string(n) + ".ale")).string();
        }
        if (!outputs.mayWrite(path)) {
            return std::nullopt;
        }
        writtenThisRun.insert(path);
        return path;
    });

    // Only a file that was written is printed: a failed write has been reported instead.
    ConversionCommandContext context{
        ui,
        session.prefs(),
        session.fileAttributes(),
        session.log(),
        readTextFile,
        [&written, &outputs](const std::string& path, std::string_view text) {
            Status status = outputs.writeText(path, text);
            if (status) {
                written.push_back(path);
            }
            return status;
        }};
    const CommandOutcome outcome = clickfcp2ale(context);
    for (const std::string& path : written) {
        std::cout << path << '\n';
    }
    return outcome == CommandOutcome::Failed || outputs.stopped() ? kExitFailed : kExitDone;
}

} // namespace

void addFcp2aleCommand(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<Fcp2aleArguments>();
    CLI::App* command =
        app.add_subcommand("fcp2ale", "Convert a Final Cut Pro batch list into ALE shot logs");
    command->add_option("BATCHLIST", args->batchList, "the batch list (tab-delimited text)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-d,--dir", args->folder,
                        "folder for the ALE files (default: the batch list's folder)");
    addOnExistsOption(*command, args->onExists);
    command->footer(
        "Each ALE is written as DIR/NAME.ale: NAME is the batch list's name without its\n"
        "extension, or the bin's name when seperateBins is on; a name that comes twice gets -2,\n"
        "-3, ... The written paths are printed on standard output.\n"
        "Options come from the preference store: TVSys (any but 24 fps), clipType, seperateBins.\n"
        "Examples:\n"
        "  korvel fcp2ale day1.txt -d ale/\n"
        "  korvel --tv NTSC --set seperateBins=true --set 'clipType=Clips & SubClips' fcp2ale "
        "day1.txt");
    table.add(command, [args](Session& session) { return run(session, *args); });
}

} // namespace korvel
