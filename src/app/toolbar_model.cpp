// SPDX-License-Identifier: MIT
#include "app/toolbar_model.h"

#include "platform/preference_store.h"

#include <algorithm>
#include <array>

namespace korvel {
namespace {

constexpr std::array<ToolbarItem, 10> kItems = {{
    {"prefs", "Preferences", "prefs", Command::Preferences, "Set Preferences", true},
    {"baddtc", "Batch Add TC", "baddtc", Command::BatchAddTc,
     "Batch Add Timecode to QuickTime files", true},
    {"checkupdate", "Software Update", "opdate", Command::CheckForUpdate, "Check for Updates",
     true},
    {"ale2fcp", "ale2fcp", "ale2fcp", Command::Ale2fcp, "Convert ALE shot Logs to FCP batch lists",
     true},
    {"fcp2ale", "fcp2ale", "fcp2ale", Command::Fcp2ale, "Convert FCP batch lists to ALE shot Logs",
     true},
    {"log", "Log", "log", Command::Log, "View Output Log", true},
    {"addtc", "Add TC", "addTC", Command::AddTc, "Add timecode to current movie", false},
    {"help", "Help", "help", Command::Help, "Help", true},
    {"deletetc", "Delete TC", "deletetc", Command::DeleteTc, "Delete timecode from current movie",
     false},
    {"bwf2qt", "bwf2qt", "bwf2qt", Command::Bwf2qt, "Convert BWF Files to QuickTime Movies", false},
}};

constexpr char kListSeparator = ' ';

} // namespace

std::span<const ToolbarItem> toolbarItems() {
    return kItems;
}

const ToolbarItem& toolbarItem(std::string_view identifier) {
    static constexpr ToolbarItem kEmpty{"", "", "", Command::None, "", true};
    const auto* found = std::ranges::find(kItems, identifier, &ToolbarItem::identifier);
    return found == kItems.end() ? kEmpty : *found;
}

std::vector<std::string_view> toolbarAllowedItemIdentifiers() {
    using namespace toolbarid;
    return {kSeparator, kSpace,    kFlexibleSpace, kCustomize, "prefs",    "baddtc", "checkupdate",
            "ale2fcp",  "fcp2ale", "log",          "addtc",    "deletetc", "help",   "bwf2qt"};
}

std::vector<std::string_view> toolbarDefaultItemIdentifiers() {
    return {"addtc", "deletetc", "baddtc", "ale2fcp", "fcp2ale", toolbarid::kFlexibleSpace,
            "log",   "help"};
}

bool validateToolbarItem(std::string_view identifier, const OpenMovieState& movie) {
    if (identifier == "deletetc") {
        return movie.isTCMovie;
    }
    if (identifier == "addtc") {
        return movie.canAddTC;
    }
    return true;
}

std::vector<std::string> loadToolbarConfiguration(const PreferenceStore& store) {
    const std::vector<std::string_view> allowed = toolbarAllowedItemIdentifiers();
    std::vector<std::string> identifiers;
    const std::string stored = store.stringOrEmpty(kToolbarIdentifier);
    std::size_t start = 0;
    while (start < stored.size()) {
        const std::size_t end = std::min(stored.find(kListSeparator, start), stored.size());
        const std::string identifier = stored.substr(start, end - start);
        if (std::ranges::find(allowed, identifier) != allowed.end()) {
            identifiers.push_back(identifier);
        }
        start = end + 1;
    }
    if (identifiers.empty()) {
        for (std::string_view identifier : toolbarDefaultItemIdentifiers()) {
            identifiers.emplace_back(identifier);
        }
    }
    return identifiers;
}

void saveToolbarConfiguration(PreferenceStore& store, const std::vector<std::string>& identifiers) {
    std::string text;
    for (const std::string& identifier : identifiers) {
        if (!text.empty()) {
            text += kListSeparator;
        }
        text += identifier;
    }
    store.setString(kToolbarIdentifier, text);
    store.synchronize();
}

} // namespace korvel
