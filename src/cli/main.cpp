// SPDX-License-Identifier: MIT
// korvel: the command line of Korvel Tools.
#include "app/preference_keys.h"
#include "base/temporary_file.h"
#include "base/version.h"
#include "cli/batch_add_tc_command.h"
#include "cli/bwf2qt_command.h"
#include "cli/bwf_info_command.h"
#include "cli/check_update_command.h"
#include "cli/command_table.h"
#include "cli/session.h"
#include "cli/shotlog_commands.h"
#include "cli/tc_command.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace korvel;

struct RawGlobalOptions {
    std::string prefsFile;
    std::vector<std::string> settings;
    std::string logFile;
    std::string tvSystem;
    std::string bwfFpsRate;
    bool dropFrame = false;
    bool nonDropFrame = false;
};

// The texts a popup preference takes, for a command-line option that sets it.
std::vector<std::string> choicesOf(std::string_view key) {
    const auto choices = korvel::preferenceChoices(key);
    return {choices.begin(), choices.end()};
}

void addGlobalOptions(CLI::App& app, RawGlobalOptions& raw) {
    app.add_option("--prefs", raw.prefsFile,
                   "preference file to use (default: $KORVEL_PREFS, else the desktop app's store)")
        ->type_name("FILE");
    app.add_option("--set", raw.settings,
                   "KEY=VALUE: use this preference value for this run only (repeatable)")
        ->allow_extra_args(false)
        ->type_name("KEY=VALUE");
    app.add_option("--log", raw.logFile, "also write the output log to FILE")->type_name("FILE");
    app.add_option("--tv", raw.tvSystem, "TV system for this run (same as --set TVSys=...)")
        ->type_name("SYSTEM")
        ->check(CLI::IsMember(choicesOf(prefkey::kTVSys)));
    app.add_flag("--df", raw.dropFrame, "drop-frame timecode for this run (--set DF=true)");
    app.add_flag("--no-df", raw.nonDropFrame,
                 "non-drop-frame timecode for this run (--set DF=false)");
    app.add_option("--bwf-fps", raw.bwfFpsRate,
                   "frame rate of BWF start timecodes for this run (--set BWFfpsRate=...)")
        ->type_name("RATE")
        ->check(CLI::IsMember(choicesOf(prefkey::kBWFfpsRate)));
}

// Turns the raw options into typed overrides; fails on a setting the store would not take.
Result<GlobalOptions> resolveGlobalOptions(const RawGlobalOptions& raw) {
    GlobalOptions options{raw.prefsFile, {}, raw.logFile};
    for (const std::string& setting : raw.settings) {
        const auto equals = setting.find('=');
        if (equals == std::string::npos) {
            return makeError("--set takes KEY=VALUE, not '" + setting + "'");
        }
        const std::string key = setting.substr(0, equals);
        auto value = parsePreferenceValue(key, std::string_view(setting).substr(equals + 1));
        if (!value) {
            return value.error();
        }
        options.overrides.emplace_back(key, *value);
    }
    if (!raw.tvSystem.empty()) {
        options.overrides.emplace_back(std::string(prefkey::kTVSys), raw.tvSystem);
    }
    if (raw.dropFrame || raw.nonDropFrame) {
        options.overrides.emplace_back(std::string(prefkey::kDF), raw.dropFrame);
    }
    if (!raw.bwfFpsRate.empty()) {
        options.overrides.emplace_back(std::string(prefkey::kBWFfpsRate), raw.bwfFpsRate);
    }
    return options;
}

// Every value the chosen command was given: any of them may name a file the run reads.
void collectValues(const CLI::App& command, std::vector<std::string>& values) {
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& value : option->results()) {
            values.push_back(value);
        }
    }
    for (const CLI::App* sub : command.get_subcommands()) {
        collectValues(*sub, values);
    }
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"korvel: shot logs, timecode tracks and BWF sound for Final Cut Pro and Avid "
                 "workflows.\nEvery option is read from the preference store shared with the "
                 "desktop app; override one for a run with --set KEY=VALUE.",
                 "korvel"};
    app.set_version_flag("--version", "korvel (Korvel Tools) " + std::string(kVersionText));
    app.require_subcommand(1);
    app.fallthrough();
    app.footer("Exit status: 0 done, 1 the operation stopped on an alert or failed, 2 bad usage.\n"
               "Log lines go to standard error, results to standard output.\n"
               "Run 'korvel COMMAND --help' for a command's options and examples.");

    RawGlobalOptions raw;
    addGlobalOptions(app, raw);
    CommandTable table;
    // In the order a shoot day uses them, as --help lists them.
    addShotlogCommands(app, table);
    addBatchAddTcCommand(app, table);
    addTcCommands(app, table);
    addBwfInfoCommands(app, table);
    addBwf2qtCommand(app, table);
    addTimecodeCommands(app, table);
    addPrefsCommands(app, table);
    addCheckUpdateCommand(app, table);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitDone : kExitUsage;
    }
    if (raw.dropFrame && raw.nonDropFrame) {
        std::cerr << "korvel: --df and --no-df contradict each other\n";
        return kExitUsage;
    }
    auto options = resolveGlobalOptions(raw);
    if (!options) {
        std::cerr << "korvel: " << options.error().message << '\n';
        return kExitUsage;
    }
    if (const CLI::App* prefs = app.get_subcommand("prefs"); app.got_subcommand(prefs)) {
        options->readOnlyStore = prefs->got_subcommand("get") || prefs->got_subcommand("list");
    }
    installInterruptCleanup();
    try {
        Session session(*options);
        std::vector<std::string> named;
        for (const CLI::App* command : app.get_subcommands()) {
            collectValues(*command, named);
        }
        if (Status spared = session.spareFromLog(named); !spared) {
            std::cerr << "korvel: " << spared.error().message << '\n';
            return kExitFailed;
        }
        return table.runParsed(session);
    } catch (const std::exception& error) {
        std::cerr << "korvel: " << error.what() << '\n';
        return kExitFailed;
    }
}
