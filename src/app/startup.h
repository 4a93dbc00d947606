// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace korvel {

class PreferenceStore;
class UserInterface;

/// The version number that the version-change notice compares with "korvelVersion".
inline constexpr int kKorvelVersion = 9;

/// What a start-up found in the preference store.
struct StartupOutcome {
    bool firstRun = false;     // there was no "TVSys": the defaults were written
    bool updateNotice = false; // an earlier version had run: the update notice is due
};

/// The store's part of the application start-up: first-run defaults when "TVSys" is absent,
/// the repairs of empty values, the reel-ID history and the version number.
StartupOutcome prepareStore(PreferenceStore& store, const std::string& homeDirectory);

/// The notice a start-up shows: "Thanks for installing" on the first run, "You have updated"
/// (after a beep) after an update, nothing otherwise.
void showStartupNotice(UserInterface& ui, const StartupOutcome& outcome);

/// Forgets every stored value and writes what a first start writes.
void resetPreferences(PreferenceStore& store, const std::string& homeDirectory);

} // namespace korvel
