// SPDX-License-Identifier: MIT
#include "app/reel_id_history.h"

#include "platform/preference_store.h"

namespace korvel {

void initialiseReelIdHistory(PreferenceStore& store) {
    if (store.contains(kReelIdKeys[0])) {
        return;
    }
    for (std::string_view key : kReelIdKeys) {
        store.setString(key, "");
    }
}

void shiftReelPrefs(PreferenceStore& store) {
    for (std::size_t i = kReelIdKeys.size() - 1; i > 0; --i) {
        store.setString(kReelIdKeys[i], store.stringOrEmpty(kReelIdKeys[i - 1]));
    }
}

void recordReelId(PreferenceStore& store, std::string_view reelId) {
    const auto newest = store.string(kReelIdKeys[0]);
    if (newest && *newest == reelId) {
        return;
    }
    shiftReelPrefs(store);
    store.setString(kReelIdKeys[0], std::string(reelId));
}

std::vector<std::string> reelIdHistory(const PreferenceStore& store) {
    std::vector<std::string> history;
    history.reserve(kReelIdKeys.size());
    for (std::string_view key : kReelIdKeys) {
        history.push_back(store.stringOrEmpty(key));
    }
    return history;
}

} // namespace korvel
