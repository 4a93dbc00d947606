// SPDX-License-Identifier: MIT
#include "app/startup.h"

#include "app/default_preferences.h"
#include "app/preference_keys.h"
#include "app/reel_id_history.h"
#include "platform/user_interface.h"

namespace korvel {
namespace {

void repairEmptyValues(PreferenceStore& store) {
    for (const EmptyValueRepair& repair : kEmptyValueRepairs) {
        if (store.stringOrEmpty(repair.key).empty()) {
            store.setString(repair.key, std::string(repair.replacement));
        }
    }
}

// Returns true when the update notice is due.
bool checkVersionNumber(PreferenceStore& store, bool firstRun) {
    if (store.integer(prefkey::kKorvelVersion) >= kKorvelVersion) {
        return false;
    }
    store.setInteger(prefkey::kKorvelVersion, kKorvelVersion);
    return !firstRun;
}

} // namespace

StartupOutcome prepareStore(PreferenceStore& store, const std::string& homeDirectory) {
    StartupOutcome outcome;
    outcome.firstRun = !store.contains(prefkey::kTVSys);
    if (outcome.firstRun) {
        makeDefaultPrefs(store, homeDirectory);
    }
    repairEmptyValues(store);
    initialiseReelIdHistory(store);
    outcome.updateNotice = checkVersionNumber(store, outcome.firstRun);
    return outcome;
}

void showStartupNotice(UserInterface& ui, const StartupOutcome& outcome) {
    if (outcome.firstRun) {
        ui.runAlert({"Thanks for installing Korvel Tools!",
                     "You can learn more about Korvel Tools in the Release Notes and the User "
                     "Guide under menu \"Help\".",
                     "OK", "", "", true});
    } else if (outcome.updateNotice) {
        ui.beep();
        ui.runAlert({"You have updated Korvel Tools!",
                     "You can learn more about this version in the Release Notes and the User "
                     "Guide under menu \"Help\".",
                     "OK", "", "", true});
    }
}

void resetPreferences(PreferenceStore& store, const std::string& homeDirectory) {
    store.clear();
    static_cast<void>(prepareStore(store, homeDirectory));
    store.synchronize();
}

} // namespace korvel
