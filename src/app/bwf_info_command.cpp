// SPDX-License-Identifier: MIT
#include "app/bwf_info_command.h"

#include "app/preference_keys.h"
#include "movie/bwf_reader.h"

#include <filesystem>

namespace korvel {

Result<BwfInfoText> bwfInformation(const PreferenceStore& prefs, const std::string& file,
                                   bool json) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return makeError("\"" + file + "\" is not a file that can be read");
    }
    if (Status wave = checkWaveFile(file); !wave) {
        return makeError("\"" + file + "\": " + wave.error().message);
    }
    const BwfInfo info = getBWF2Info(file, bwfReadOptions(prefs));
    BwfInfoText text;
    text.lines = json ? std::vector<std::string>{bwfInfoJson(info)}
                      : bwfInfoSummary(file, info, prefs.stringOrEmpty(prefkey::kTVSys));
    text.hasBext = info.value(bwfkey::kContainsBext) != "NO";
    return text;
}

} // namespace korvel
