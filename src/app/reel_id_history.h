// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class PreferenceStore;

/// The ten keys of the reel-ID history, newest first.
inline constexpr std::array<std::string_view, 10> kReelIdKeys = {
    "reelid01", "reelid02", "reelid03", "reelid04", "reelid05",
    "reelid06", "reelid07", "reelid08", "reelid09", "reelid10"};

/// Stores the empty string under all ten keys when "reelid01" is absent.
void initialiseReelIdHistory(PreferenceStore& store);

/// Moves every entry one place older ("reelid10" takes "reelid09", ... "reelid02" takes
/// "reelid01"); the oldest entry is dropped.
void shiftReelPrefs(PreferenceStore& store);

/// Records a reel ID just used: nothing changes when it equals the newest entry; otherwise the
/// history shifts and the ID becomes the newest. Only the newest entry is compared.
void recordReelId(PreferenceStore& store, std::string_view reelId);

/// The ten stored entries, newest first (absent ones read as empty).
std::vector<std::string> reelIdHistory(const PreferenceStore& store);

} // namespace korvel
