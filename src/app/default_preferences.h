// SPDX-License-Identifier: MIT
#pragma once

#include "app/preference_keys.h"
#include "platform/preference_store.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

/// One write of the first-run defaults: a value, or no value (the key is removed).
struct DefaultPreference {
    std::string_view key;
    std::optional<PreferenceValue> value;
};

/// The first-run defaults in the order they are written; the two folder keys take `homeDirectory`.
std::vector<DefaultPreference> defaultPreferences(const std::string& homeDirectory);

/// Writes the first-run defaults into the store, in order.
void makeDefaultPrefs(PreferenceStore& store, const std::string& homeDirectory);

/// The value the store holds for the keys that a start-up repairs when their string is empty.
struct EmptyValueRepair {
    std::string_view key;
    std::string_view replacement;
};
inline constexpr EmptyValueRepair kEmptyValueRepairs[] = {
    {prefkey::kBatchListHeaderLanguish, "English"},
    {prefkey::kBWFTapeIDSelect, "TapeID from BWF File"},
    {prefkey::kBWFMergeTracks, "None"},
    {prefkey::kBWFfpsRate, "PAL"},
};

} // namespace korvel
