// SPDX-License-Identifier: MIT
#include "app/preference_keys.h"

#include "app/reel_id_history.h"

#include <array>
#include <charconv>

namespace korvel {
namespace {

using enum PreferenceType;

constexpr std::array kKeys = {
    PreferenceKey{prefkey::kTVSys, String},
    PreferenceKey{prefkey::kDF, Boolean},
    PreferenceKey{prefkey::kTcColumn, String},
    PreferenceKey{prefkey::kMovieExtension, String},
    PreferenceKey{prefkey::kUserTxt1, String},
    PreferenceKey{prefkey::kUserTxt2, String},
    PreferenceKey{prefkey::kUserTxt3, String},
    PreferenceKey{prefkey::kUserTxt4, String},
    PreferenceKey{prefkey::kUserTxt5, String},
    PreferenceKey{prefkey::kAle2fcpAleDir, String},
    PreferenceKey{prefkey::kAle2fcpFcpDir, String},
    PreferenceKey{prefkey::kClipType, String},
    PreferenceKey{prefkey::kSeperateBins, Boolean},
    PreferenceKey{prefkey::kModifyNameData, String},
    PreferenceKey{prefkey::kMediaFileVersion, String},
    PreferenceKey{prefkey::kConvertTo24Tc, Boolean},
    PreferenceKey{prefkey::kQtcWindows, Boolean},
    PreferenceKey{prefkey::kAle2fcpTCConversion, String},
    PreferenceKey{prefkey::kAle2fcpWindowsOption, Boolean},
    PreferenceKey{prefkey::kAleCopyName, Boolean},
    PreferenceKey{prefkey::kAle2fcpFCPvers, String},
    PreferenceKey{prefkey::kOverwrite, Boolean},
    PreferenceKey{prefkey::kBatchListHeaderLanguish, String},
    PreferenceKey{prefkey::kClickCreateFCPBatchList, Boolean},
    PreferenceKey{prefkey::kBWFXML, Boolean},
    PreferenceKey{prefkey::kBWFMediaConversion, String},
    PreferenceKey{prefkey::kBWFSampleRate, String},
    PreferenceKey{prefkey::kButton24to16, Boolean},
    PreferenceKey{prefkey::kBWFMergeTracks, String},
    PreferenceKey{prefkey::kButtonMergeMixdown, Boolean},
    PreferenceKey{prefkey::kBWFfpsRate, String},
    PreferenceKey{prefkey::kBWFDFTC, Boolean},
    PreferenceKey{prefkey::kBWFTapeIDSelect, String},
    PreferenceKey{prefkey::kBWFAutoCode, Boolean},
    PreferenceKey{kReelIdKeys[0], String},
    PreferenceKey{kReelIdKeys[1], String},
    PreferenceKey{kReelIdKeys[2], String},
    PreferenceKey{kReelIdKeys[3], String},
    PreferenceKey{kReelIdKeys[4], String},
    PreferenceKey{kReelIdKeys[5], String},
    PreferenceKey{kReelIdKeys[6], String},
    PreferenceKey{kReelIdKeys[7], String},
    PreferenceKey{kReelIdKeys[8], String},
    PreferenceKey{kReelIdKeys[9], String},
    PreferenceKey{prefkey::kLastMovieFile, String},
    PreferenceKey{prefkey::kLastAleDir, String},
    PreferenceKey{prefkey::kLastMfDir, String},
    PreferenceKey{prefkey::kFcp2aleAleDir, String},
    PreferenceKey{prefkey::kFcp2aleSaveDir, String},
    PreferenceKey{prefkey::kKorvelVersion, Integer},
};

} // namespace

std::span<const PreferenceKey> knownPreferenceKeys() { return kKeys; }

std::optional<PreferenceType> preferenceType(std::string_view key) {
    for (const PreferenceKey& known : kKeys) {
        if (known.name == key) {
            return known.type;
        }
    }
    return std::nullopt;
}

Result<PreferenceValue> parsePreferenceValue(std::string_view key, std::string_view text) {
    const auto type = preferenceType(key);
    if (!type) {
        return makeError("unknown preference key '" + std::string(key) + "'");
    }
    switch (*type) {
    case PreferenceType::String:
        return PreferenceValue(std::string(text));
    case PreferenceType::Boolean:
        if (text == "true" || text == "false") {
            return PreferenceValue(text == "true");
        }
        return makeError("'" + std::string(key) + "' takes true or false, not '" +
                         std::string(text) + "'");
    case PreferenceType::Integer: {
        std::int64_t number = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (ec == std::errc() && end == text.data() + text.size()) {
            return PreferenceValue(number);
        }
        return makeError("'" + std::string(key) + "' takes a whole number, not '" +
                         std::string(text) + "'");
    }
    }
    return makeError("unknown preference key '" + std::string(key) + "'");
}

} // namespace korvel
