// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class PreferenceStore;

/// The commands a toolbar item starts.
enum class Command {
    None,
    Preferences,
    BatchAddTc,
    CheckForUpdate,
    Ale2fcp,
    Fcp2ale,
    Log,
    AddTc,
    Help,
    DeleteTc,
    Bwf2qt
};

/// One item of the main toolbar.
struct ToolbarItem {
    std::string_view identifier;
    std::string_view label; // the palette label is the same
    std::string_view image;
    Command command;
    std::string_view toolTip;
    bool initiallyEnabled;
};

/// The layout items a toolbar offers besides the commands.
namespace toolbarid {
inline constexpr std::string_view kSeparator = "separator";
inline constexpr std::string_view kSpace = "space";
inline constexpr std::string_view kFlexibleSpace = "flexiblespace";
inline constexpr std::string_view kCustomize = "customize";
} // namespace toolbarid

/// The toolbar's identifier, also the preference key its configuration is saved under.
inline constexpr std::string_view kToolbarIdentifier = "mainToolbar";

/// The command items, in the order of their table.
std::span<const ToolbarItem> toolbarItems();
/// The item of `identifier`; an unknown identifier gives an item with no label, image or command.
const ToolbarItem& toolbarItem(std::string_view identifier);
/// Every identifier a person may put on the toolbar: the layout items, then the commands.
std::vector<std::string_view> toolbarAllowedItemIdentifiers();
/// What a new toolbar holds.
std::vector<std::string_view> toolbarDefaultItemIdentifiers();

/// What the enabling rule looks at: the open movie, if any.
struct OpenMovieState {
    bool anyMovieLoaded = false;
    bool isTCMovie = false; // it has a timecode track
    bool canAddTC = false;  // a timecode track may be added to it
};
/// Whether the item is enabled: "deletetc" with a timecode track, "addtc" when one may be
/// added, every other item always.
bool validateToolbarItem(std::string_view identifier, const OpenMovieState& movie);

/// The saved configuration: the identifiers in order, or the default set when nothing usable is
/// stored. Identifiers that are not allowed are dropped.
std::vector<std::string> loadToolbarConfiguration(const PreferenceStore& store);
void saveToolbarConfiguration(PreferenceStore& store, const std::vector<std::string>& identifiers);

} // namespace korvel
