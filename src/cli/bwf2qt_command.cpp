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

#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <unistd.h>

namespace korvel {
namespace {

namespace fs = std::filesystem;

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

// A path as a panel answers it: absolute, without "." or ".." steps or a final "/".
std::string panelPath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error) {
        return path;
    }
    std::string text = absolute.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

// The flags' answers to the command's questions. Nothing leaves the question to the terminal,
// which asks the person when there is one and otherwise takes the default button ("Skip File").
// The type-code question's default would change the file, so without a person it is "Abort".
TerminalUserInterface::AlertAnswerer alertAnswers(const Bwf2qtArguments& args) {
    const bool person = isatty(STDIN_FILENO) == 1;
    return [&args, person](const Alert& alert) -> std::optional<int> {
        if (alert.title == bwf2qtalert::kTypeCodeTitle) {
            if (args.fixTypeCode) {
                return kAlertDefault;
            }
            return person ? std::nullopt : std::optional<int>(kAlertAlternate);
        }
        if (alert.title == bwf2qtalert::kExistsTitle) {
            switch (args.onExists) {
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
        if (alert.message == bwf2qtalert::kNoBextMessage ||
            alert.message == bwf2qtalert::kNoBextPairMessage) {
            switch (args.onMissingBext) {
            case OnMissingBext::Skip:
                return kAlertDefault;
            case OnMissingBext::Abort:
                return kAlertAlternate;
            case OnMissingBext::Ask:
                break;
            }
        }
        return std::nullopt;
    };
}

int bwf2qt(Session& session, const Bwf2qtArguments& args) {
    std::vector<std::string> files;
    for (const std::string& file : args.files) {
        files.push_back(panelPath(file));
    }
    const std::string destination = panelPath(args.destination);
    const std::string batchList =
        args.batchList.empty() ? std::string() : panelPath(args.batchList);
    const std::string xml = args.xml.empty() ? std::string() : panelPath(args.xml);

    // A list is offered exactly when its flag names a file.
    OverlayPreferenceStore prefs(session.prefs());
    prefs.override(prefkey::kClickCreateFCPBatchList, !batchList.empty());
    prefs.override(prefkey::kBWFXML, !xml.empty());

    // What the run reads and the movies it will write; no output may be one of them.
    const int channelA = bwf2qtChannelA(prefs.stringOrEmpty(prefkey::kBWFMergeTracks));
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    for (const Bwf2qtJob& job :
         bwf2qtJobs(files, channelA, [](const std::string& path) { return fs::exists(path); })) {
        inputs.push_back(job.file);
        if (!job.partner.empty()) {
            inputs.push_back(job.partner);
        }
        outputs.push_back(bwf2qtMovieName(job, destination));
    }
    std::vector<std::string> protectedFiles = inputs;
    protectedFiles.insert(protectedFiles.end(), outputs.begin(), outputs.end());
    protectedFiles.push_back(session.logFile());
    for (const std::string& list : {batchList, xml}) {
        if (!list.empty()) {
            outputs.push_back(list);
        }
    }
    Status spared = session.spareFromLog(outputs);
    if (spared) {
        spared = checkOutputsSpareInputs(inputs, outputs);
    }
    if (!spared) {
        std::cerr << "korvel: " << spared.error().message << '\n';
        return kExitFailed;
    }

    OutputPolicy listOutputs(session, args.onExists, std::move(protectedFiles));
    TerminalUserInterface& ui = session.ui();
    ui.setOpenPanelAnswerer([&](const OpenPanel& panel) -> std::optional<std::vector<std::string>> {
        if (panel.chooseFolders) {
            return std::vector<std::string>{destination};
        }
        return files;
    });
    ui.setSavePanelAnswerer([&](const SavePanel& panel) -> std::optional<std::string> {
        const std::string& path = panel.requiredExtension == "xml" ? xml : batchList;
        if (path.empty() || !listOutputs.mayWrite(path)) {
            return std::nullopt;
        }
        return path;
    });
    ui.setAlertAnswerer(alertAnswers(args));

    Bwf2qtContext context{ui,
                          prefs,
                          session.fileAttributes(),
                          session.log(),
                          session.homeDirectory(),
                          [&listOutputs](const std::string& path, std::string_view text) {
                              return listOutputs.writeText(path, text);
                          }};
    const Bwf2qtReport report = clickGotoTC(context);
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
