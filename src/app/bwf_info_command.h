// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "platform/preference_store.h"

#include <string>
#include <vector>

namespace korvel {

/// What is known of a BWF file, as text.
struct BwfInfoText {
    std::vector<std::string> lines;
    bool hasBext = true;
};

/// The information of the BWF file at `file` under the store's "BWFfpsRate" and
/// "BWFTapeIDSelect": the summary lines the log shows when the file is opened, or with `json`
/// the whole information record as one JSON object on one line. Fails when the file is not a
/// regular file or not a WAVE file.
Result<BwfInfoText> bwfInformation(const PreferenceStore& prefs, const std::string& file,
                                   bool json);

} // namespace korvel
