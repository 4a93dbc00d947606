// SPDX-License-Identifier: MIT
// korvel batch-add-tc ALE MEDIA_FOLDER: Batch Add TC with the options of the store ("tcColumn",
// "TVSys", "overwrite", "movieExtension", "mediaFileVersion", "convertTo24Tc", "qtcWindows").
// The two arguments answer the command's two panels.
#include "cli/batch_add_tc_command.h"

#include "app/batch_add_tc_command.h"
#include "cli/session.h"
#include "platform/path_names.h"

#include <memory>

namespace korvel {
namespace {

struct BatchAddTcArguments {
    std::string ale;
    std::string mediaFolder;
};

int batchAddTc(Session& session, const BatchAddTcArguments& args) {
    const std::string alePath = panelPath(args.ale);
    const std::string mediaFolder = panelPath(args.mediaFolder);
    session.ui().setOpenPanelAnswerer(
        [&](const OpenPanel& panel) -> std::optional<std::vector<std::string>> {
            return std::vector<std::string>{panel.chooseFolders ? mediaFolder : alePath};
        });
    BatchAddTcCommand command(session.ui(), session.prefs(), session.log(),
                              timecodeTrackOperations(session.console(), session.ui()));
    if (command.clickDoSetTC() != CommandOutcome::Done) {
        return kExitFailed;
    }
    // Movies that were found but could not be changed (or whose change may not be on the disk)
    // make the run a failure; clips without a movie in the folder do not.
    const auto& summary = command.lastSummary();
    return summary && summary->failed == 0 && summary->unconfirmed == 0 ? kExitDone : kExitFailed;
}

} // namespace

void addBatchAddTcCommand(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<BatchAddTcArguments>();
    CLI::App* command = app.add_subcommand(
        "batch-add-tc",
        "Give the movies of a folder the timecode tracks of the clips an ALE shot log lists");
    command->add_option("ALE", args->ale, "the ALE shot log")->required()->check(CLI::ExistingFile);
    command->add_option("MEDIA_FOLDER", args->mediaFolder, "the folder holding the movies")
        ->required()
        ->check(CLI::ExistingDirectory);
    command->footer(
        "Each clip's movie is MEDIA_FOLDER/NAME plus \"movieExtension\" (\".mov\"; \"None\": the "
        "name alone).\nThe start timecode comes from the \"tcColumn\" column (\"Start\"), the reel "
        "from \"Tape\".\nThe summary goes to standard output; exit status 1 when the batch stopped "
        "or a movie could not be changed.\n"
        "Examples:\n"
        "  korvel batch-add-tc day1.ALE /media/day1\n"
        "  korvel --tv NTSC --set overwrite=true batch-add-tc day1.ALE /media/day1\n"
        "  korvel --tv \"24 fps\" --set convertTo24Tc=true batch-add-tc day1.ALE media");
    table.add(command, [args](Session& session) { return batchAddTc(session, *args); });
}

} // namespace korvel
