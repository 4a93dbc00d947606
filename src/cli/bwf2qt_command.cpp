// SPDX-License-Identifier: MIT
// korvel bwf2qt FILE... -d DEST [--batch-list OUT.txt] [--xml OUT.xml]: BWF files to QuickTime
// movies with timecode tracks, and the lists that describe them; the desktop app's command flow,
// its panels answered by the arguments and its questions by the flags.
#include "cli/bwf2qt_command.h"

#include "app/bwf2qt_command.h"
#include "app/preference_keys.h"
#include "cli/output_policy.h"
#include "cli/session.h"
#include "cli/shotlog_commands.h"
#include "platform/file_identity.h"
#include "platform/path_names.h"

#include <iostream>
#include <map>
#include <memory>
#include <unistd.h>

namespace korvel {
namespace {

enum class OnMissingBext { Ask, Skip, Abort };

struct Bwf2qtArguments {
    std::vector<std::string> files;
    std::string destination;
    std::string batchList;
    std::string xml;
    OnExists onExists = OnExists::Ask;
    OnMissingBext onMissingBext = OnMissingBext::Ask;
    bool fixTypeCode = false;
};

std::optional<int> existingAnswer(OnExists onExists) {
    switch (onExists) {
    case OnExists::Skip:
        return kAlertDefault;
    case OnExists::Replace:
        return kAlertAlternate;
    case OnExists::Abort:
        return kAlertOther;
    case OnExists::Ask:
        break;
    }
    return std::nullopt;
}

std::optional<int> missingBextAnswer(OnMissingBext onMissingBext) {
    switch (onMissingBext) {
    case OnMissingBext::Skip:
        return kAlertDefault;
    case OnMissingBext::Abort:
        return kAlertAlternate;
    case OnMissingBext::Ask:
        break;
    }
    return std::nullopt;
}

// The flags' answers to the command's questions. Nothing leaves the question to the terminal,
// which asks the person when there is one and otherwise takes the default button ("Skip File").
// The type-code question's default would change the file, so without a person it is "Abort".
TerminalUserInterface::AlertAnswerer alertAnswers(const Bwf2qtArguments& args) {
    const bool person = isatty(STDIN_FILENO) == 1;
    return [&args, person](const Alert& alert) -> std::optional<int> {
        switch (alert.question) {
        case AlertQuestion::FixTypeCode:
            if (args.fixTypeCode) {
                return kAlertDefault;
            }
            return person ? std::nullopt : std::optional<int>(kAlertAlternate);
        case AlertQuestion::OutputExists:
            return existingAnswer(args.onExists);
        case AlertQuestion::MissingBext:
            return missingBextAnswer(args.onMissingBext);
        case AlertQuestion::None:
            break;
        }
        return std::nullopt;
    };
}

// The arguments as the command's panels answer them.
struct Bwf2qtPaths {
    std::vector<std::string> files;
    std::string destination;
    std::string batchList; // "" when no batch list is asked for
    std::string xml;       // "" when no XML list is asked for

    explicit Bwf2qtPaths(const Bwf2qtArguments& args)
        : destination(panelPath(args.destination)),
          batchList(args.batchList.empty() ? std::string() : panelPath(args.batchList)),
          xml(args.xml.empty() ? std::string() : panelPath(args.xml)) {
        for (const std::string& file : args.files) {
            files.push_back(panelPath(file));
        }
    }
};

// What the run reads and the movies it will write, checked before anything is written: no output
// may be one of them, nor the log file. Answers the files the lists must never replace.
Result<std::vector<std::string>> protectedFiles(Session& session, const Bwf2qtPaths& paths,
                                                const PreferenceStore& prefs) {
    const Bwf2qtFiles run =
        bwf2qtFiles(paths.files, paths.destination, prefs.stringOrEmpty(prefkey::kBWFMergeTracks));
    std::vector<std::string> outputs = run.movies;
    for (const std::string& list : {paths.batchList, paths.xml}) {
        if (!list.empty()) {
            outputs.push_back(list);
        }
    }
    Status spared = session.spareFromLog(outputs);
    if (spared) {
        spared = checkOutputsSpareInputs(run.inputs, outputs);
    }
    if (!spared) {
        return spared.error();
    }
    std::vector<std::string> kept = run.inputs;
    kept.insert(kept.end(), run.movies.begin(), run.movies.end());
    kept.push_back(session.logFile());
    return kept;
}

void answerPanels(TerminalUserInterface& ui, const Bwf2qtPaths& paths, OutputPolicy& listOutputs) {
    ui.setOpenPanelAnswerer(
        [&paths](const OpenPanel& panel) -> std::optional<std::vector<std::string>> {
            if (panel.chooseFolders) {
                return std::vector<std::string>{paths.destination};
            }
            return paths.files;
        });
    ui.setSavePanelAnswerer([&paths,
                             &listOutputs](const SavePanel& panel) -> std::optional<std::string> {
        const std::string& path = panel.requiredExtension == "xml" ? paths.xml : paths.batchList;
        if (path.empty() || !listOutputs.mayWrite(path)) {
            return std::nullopt;
        }
        return path;
    });
}

// The movies on standard output, the warnings about them on standard error; the exit status.
int reportRun(const Bwf2qtReport& report, const OutputPolicy& listOutputs) {
    for (const std::string& movie : report.movies) {
        std::cout << movie << '\n';
    }
    std::cout << std::flush;
    for (const std::string& warning : report.warnings) {
        std::cerr << "korvel: " << warning << '\n';
    }
    if (report.outcome != CommandOutcome::Done || report.failed > 0 || listOutputs.stopped()) {
        return kExitFailed;
    }
    return kExitDone;
}

int bwf2qt(Session& session, const Bwf2qtArguments& args) {
    const Bwf2qtPaths paths(args);
    // A list is offered exactly when its flag names a file.
    OverlayPreferenceStore prefs(session.prefs());
    prefs.override(prefkey::kClickCreateFCPBatchList, !paths.batchList.empty());
    prefs.override(prefkey::kBWFXML, !paths.xml.empty());

    auto kept = protectedFiles(session, paths, prefs);
    if (!kept) {
        std::cerr << "korvel: " << kept.error().message << '\n';
        return kExitFailed;
    }
    OutputPolicy listOutputs(session, args.onExists, std::move(*kept));
    TerminalUserInterface& ui = session.ui();
    answerPanels(ui, paths, listOutputs);
    ui.setAlertAnswerer(alertAnswers(args));

    Bwf2qtContext context{ui,
                          prefs,
                          session.fileAttributes(),
                          session.log(),
                          session.homeDirectory(),
                          [&listOutputs](const std::string& path, std::string_view text) {
                              return listOutputs.writeText(path, text);
                          }};
    return reportRun(clickGotoTC(context), listOutputs);
}

} // namespace

void addBwf2qtCommand(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<Bwf2qtArguments>();
    CLI::App* command = app.add_subcommand(
        "bwf2qt", "Convert BWF files into QuickTime movies with a timecode track (start from the "
                  "bext time reference, reel as source), and describe them in FCP lists");
    command->add_option("FILE", args->files, "BWF files (.wav, .WAV, .bwf, .BWF)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("-d,--destination", args->destination, "folder for the movies")
        ->required()
        ->check(CLI::ExistingDirectory);
    command->add_option("--batch-list", args->batchList, "write the FCP batch list to this file")
        ->type_name("OUT.txt");
    command->add_option("--xml", args->xml, "write the XML list (BWFXMLFormat) to this file")
        ->type_name("OUT.xml");
    addOnExistsOption(*command, args->onExists);
    const std::map<std::string, OnMissingBext> missing = {{"skip", OnMissingBext::Skip},
                                                          {"abort", OnMissingBext::Abort}};
    command
        ->add_option("--on-missing-bext", args->onMissingBext,
                     "when a file has no bext chunk: skip it, or abort converting (default: ask "
                     "at a terminal, else skip)")
        ->transform(CLI::CheckedTransformer(missing));
    command->add_flag("--fix-type-code", args->fixTypeCode,
                      "give .BWF/.bwf files without the type code WAVE that code (default: ask "
                      "at a terminal, else abort)");
    command->footer(
        "Options come from the preference store: BWFfpsRate, BWFTapeIDSelect, BWFMergeTracks,\n"
        "BWFMediaConversion, BWFSampleRate, button24to16, BWFAutoCode, BatchListHeaderLanguish,\n"
        "ale2fcpFCPvers, BWFXMLFormat. BWFXMLFormat chooses what --xml writes: \"Clip list\" (the\n"
        "default), the clip list of earlier versions, or \"xmeml 5\", an xmeml version 5 sequence\n"
        "for today's editing systems: one audio track per channel, each movie's clipitems linked,\n"
        "its file with path URL, start timecode, reel, sample rate, depth and channel count.\n"
        "Each movie written is printed on standard output. Exit status 1 when the\n"
        "run stopped on an abort or a file could not be converted (a file that is not a WAVE file\n"
        "among them); skipped files do not count. Warnings about movies written (samples cut\n"
        "short, a data size the file could not hold) are repeated on standard error at the end.\n" +
        std::string(kBwf2qtPairingRule) +
        "\nExamples:\n"
        "  korvel bwf2qt day1/*.WAV -d movies --batch-list day1.txt --xml day1.xml\n"
        "  korvel --set \"BWFXMLFormat=xmeml 5\" bwf2qt day1/*.WAV -d movies --xml day1.xml\n"
        "  korvel --bwf-fps \"NTSC DF\" --set \"BWFMergeTracks=Ch. 1 & 2\" bwf2qt poly/*.wav -d "
        "out\n"
        "  korvel --set button24to16=true --set \"BWFSampleRate=48000 kHz\" bwf2qt T01.BWF -d . "
        "--fix-type-code");
    table.add(command, [args](Session& session) { return bwf2qt(session, *args); });
}

} // namespace korvel
