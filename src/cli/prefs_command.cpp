// SPDX-License-Identifier: MIT
// korvel prefs list|get|set|reset: the preference store shared with the desktop app.
#include "app/preference_keys.h"
#include "app/startup.h"
#include "cli/command_table.h"
#include "cli/session.h"

#include <iostream>
#include <memory>

namespace korvel {
namespace {

struct PrefsArguments {
    std::string key;
    std::string value;
};

int list(Session& session) {
    for (const std::string& key : session.prefs().keys()) {
        std::cout << key << '=' << *session.prefs().string(key) << '\n';
    }
    return kExitDone;
}

int get(Session& session, const PrefsArguments& args) {
    const auto value = session.prefs().string(args.key);
    if (!value) {
        return kExitFailed;
    }
    std::cout << *value << '\n';
    return kExitDone;
}

int set(Session& session, const PrefsArguments& args) {
    auto value = parsePreferenceValue(args.key, args.value);
    if (!value) {
        std::cerr << "korvel: " << value.error().message << '\n';
        return kExitUsage;
    }
    session.persistentPrefs().setValue(args.key, *value);
    return session.savePreferences() ? kExitDone : kExitFailed;
}

int reset(Session& session) {
    resetPreferences(session.persistentPrefs(), session.homeDirectory());
    return session.savePreferences() ? kExitDone : kExitFailed;
}

} // namespace

void addPrefsCommands(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<PrefsArguments>();
    CLI::App* prefs = app.add_subcommand("prefs", "Show or change the stored preferences");
    prefs->require_subcommand(1);
    prefs->footer("Examples:\n"
                  "  korvel prefs set TVSys \"24 fps\"\n"
                  "  korvel prefs set DF true\n"
                  "  korvel prefs get modifyNameData\n"
                  "  korvel --prefs /tmp/test.ini prefs reset");

    CLI::App* listCommand =
        prefs->add_subcommand("list", "Print KEY=VALUE for every stored key, sorted");
    table.add(listCommand, list);

    CLI::App* getCommand =
        prefs->add_subcommand("get", "Print one value; exit status 1 when absent");
    getCommand->add_option("KEY", args->key, "preference key (case-sensitive)")->required();
    table.add(getCommand, [args](Session& session) { return get(session, *args); });

    CLI::App* setCommand = prefs->add_subcommand(
        "set", "Store one value (booleans true/false, integers in decimal, strings as they are)");
    setCommand->add_option("KEY", args->key, "preference key (case-sensitive)")->required();
    setCommand->add_option("VALUE", args->value, "the value")->required();
    table.add(setCommand, [args](Session& session) { return set(session, *args); });

    CLI::App* resetCommand =
        prefs->add_subcommand("reset", "Forget every value and write the first-run defaults");
    table.add(resetCommand, reset);
}

} // namespace korvel
