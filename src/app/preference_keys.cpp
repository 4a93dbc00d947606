// SPDX-License-Identifier: MIT
#include "app/preference_keys.h"

#include "app/reel_id_history.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace korvel {
namespace {

using enum PreferenceType;

// The items of the sheet's popups: any other text would leave an operation without its choice
// (a BWF frame rate of "ntsc df" makes movies without timecode).
constexpr std::string_view kTvSystems[] = {"PAL",    "NTSC",   "24 fps",    "23.976 fps",
                                           "30 fps", "50 fps", "59.94 fps", "60 fps"};
constexpr std::string_view kTcColumns[] = {
    "Start",         "Auxiliary TC1", "Auxiliary TC2", "Auxiliary TC3", "Auxiliary TC4",
    "Auxiliary TC5", "TC 24 Start",   "Media Start",   "Aux TC 1",      "Aux TC 2"};
constexpr std::string_view kClipTypes[] = {"Clips only", "Clips & SubClips", "SubClips only"};
constexpr std::string_view kNameModifications[] = {"No", "Truncate", "Truncate, add \".mov\"",
                                                   "Truncate, add \".MOV\"",
                                                   "Truncate, add \".MooV\""};
constexpr std::string_view kFcpVersions[] = {"FCP 3", "FCP 4"};
constexpr std::string_view kHeaderLanguages[] = {"English", "French"};
constexpr std::string_view kMediaConversions[] = {"Make Self Contained Movies",
                                                  "Link To BWF Files"};
constexpr std::string_view kSampleRates[] = {"Same as Source", "48000 kHz", "44100 kHz"};
constexpr std::string_view kMergeTracks[] = {"None", "Ch. 1 & 2", "Ch. 3 & 4", "Ch. 5 & 6",
                                             "Ch. 7 & 8"};
constexpr std::string_view kBwfXmlFormats[] = {bwfxmlformat::kClipList, bwfxmlformat::kXmeml5};
constexpr std::string_view kBwfFrameRates[] = {"PAL",        "NTSC DF", "NTSC NDF",     "24 fps",
                                               "23.976 fps", "30 fps",  "50 fps",       "59.94 DF",
                                               "59.94 NDF",  "60 fps",  "From recorder"};
constexpr std::string_view kTapeIdSources[] = {"TapeID from BWF File", "BWF File Name",
                                               "BWF File Name Without Extension",
                                               "First 6 characters of File Name"};

constexpr std::array kKeys = {
    PreferenceKey{prefkey::kTVSys, String, kTvSystems},
    PreferenceKey{prefkey::kDF, Boolean},
    PreferenceKey{prefkey::kTcColumn, String, kTcColumns},
    PreferenceKey{prefkey::kMovieExtension, String},
    PreferenceKey{prefkey::kUserTxt1, String},
    PreferenceKey{prefkey::kUserTxt2, String},
    PreferenceKey{prefkey::kUserTxt3, String},
    PreferenceKey{prefkey::kUserTxt4, String},
    PreferenceKey{prefkey::kUserTxt5, String},
    PreferenceKey{prefkey::kAle2fcpAleDir, String},
    PreferenceKey{prefkey::kAle2fcpFcpDir, String},
    PreferenceKey{prefkey::kClipType, String, kClipTypes},
    PreferenceKey{prefkey::kSeperateBins, Boolean},
    PreferenceKey{prefkey::kModifyNameData, String, kNameModifications},
    PreferenceKey{prefkey::kMediaFileVersion, String},
    PreferenceKey{prefkey::kConvertTo24Tc, Boolean},
    PreferenceKey{prefkey::kQtcWindows, Boolean},
    PreferenceKey{prefkey::kAle2fcpTCConversion, String},
    PreferenceKey{prefkey::kAle2fcpWindowsOption, Boolean},
    PreferenceKey{prefkey::kAleCopyName, Boolean},
    PreferenceKey{prefkey::kAle2fcpFCPvers, String, kFcpVersions},
    PreferenceKey{prefkey::kOverwrite, Boolean},
    PreferenceKey{prefkey::kBatchListHeaderLanguish, String, kHeaderLanguages},
    PreferenceKey{prefkey::kClickCreateFCPBatchList, Boolean},
    PreferenceKey{prefkey::kBWFXML, Boolean},
    PreferenceKey{prefkey::kBWFXMLFormat, String, kBwfXmlFormats},
    PreferenceKey{prefkey::kBWFMediaConversion, String, kMediaConversions},
    PreferenceKey{prefkey::kBWFSampleRate, String, kSampleRates},
    PreferenceKey{prefkey::kButton24to16, Boolean},
    PreferenceKey{prefkey::kBWFMergeTracks, String, kMergeTracks},
    PreferenceKey{prefkey::kButtonMergeMixdown, Boolean},
    PreferenceKey{prefkey::kBWFfpsRate, String, kBwfFrameRates},
    PreferenceKey{prefkey::kBWFDFTC, Boolean},
    PreferenceKey{prefkey::kBWFTapeIDSelect, String, kTapeIdSources},
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

const PreferenceKey* findKey(std::string_view key) {
    for (const PreferenceKey& known : kKeys) {
        if (known.name == key) {
            return &known;
        }
    }
    return nullptr;
}

Result<PreferenceValue> chosenText(std::string_view key, std::string_view text) {
    const auto choices = preferenceChoices(key);
    if (choices.empty() || std::find(choices.begin(), choices.end(), text) != choices.end()) {
        return PreferenceValue(std::string(text));
    }
    std::string list;
    for (std::string_view choice : choices) {
        list += (list.empty() ? "\"" : ", \"") + std::string(choice) + "\"";
    }
    return makeError("'" + std::string(key) + "' takes one of " + list + ", not '" +
                     std::string(text) + "'");
}

} // namespace

std::span<const PreferenceKey> knownPreferenceKeys() {
    return kKeys;
}

std::optional<PreferenceType> preferenceType(std::string_view key) {
    const PreferenceKey* known = findKey(key);
    return known ? std::optional(known->type) : std::nullopt;
}

std::span<const std::string_view> preferenceChoices(std::string_view key) {
    const PreferenceKey* known = findKey(key);
    return known ? known->choices : std::span<const std::string_view>();
}

Result<PreferenceValue> parsePreferenceValue(std::string_view key, std::string_view text) {
    const auto type = preferenceType(key);
    if (!type) {
        return makeError("unknown preference key '" + std::string(key) + "'");
    }
    switch (*type) {
    case PreferenceType::String:
        return chosenText(key, text);
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
