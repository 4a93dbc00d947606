// SPDX-License-Identifier: MIT
#include "app/default_preferences.h"

#include "app/preference_keys.h"

namespace korvel {

std::vector<DefaultPreference> defaultPreferences(const std::string& homeDirectory) {
    using namespace prefkey;
    const auto text = [](std::string_view value) {
        return std::optional<PreferenceValue>(std::string(value));
    };
    const auto flag = [](bool value) { return std::optional<PreferenceValue>(value); };
    const std::optional<PreferenceValue> noValue;
    return {
        {kTVSys, text("PAL")},
        {kDF, noValue},
        {kTcColumn, text("Start")},
        {kMovieExtension, text(".mov")},
        {kUserTxt1, text("[empty]")},
        {kUserTxt2, text("[empty]")},
        {kUserTxt3, text("[empty]")},
        {kUserTxt4, text("[empty]")},
        {kAle2fcpAleDir, text(homeDirectory)},
        {kAle2fcpFcpDir, text(homeDirectory)},
        {kClipType, text("Clips only")},
        {kSeperateBins, noValue},
        {kModifyNameData, text("No")},
        {kMediaFileVersion, text("QuickTime 4 or later")},
        {kConvertTo24Tc, noValue},
        {kQtcWindows, flag(false)},
        {kAle2fcpTCConversion, text("Convert Start field to 24 fps TC")},
        {kBatchListHeaderLanguish, text("English")},
        {kBWFSampleRate, text("Same as Source")},
        {kBWFMergeTracks, text("None")},
        {kButton24to16, flag(false)},
        {kBWFfpsRate, text("PAL")},
        {kClickCreateFCPBatchList, flag(false)},
        {kBWFTapeIDSelect, text("TapeID from BWF File")},
        {kAle2fcpFCPvers, text("FCP 4")},
        {kBWFXMLFormat, text(bwfxmlformat::kClipList)},
    };
}

void makeDefaultPrefs(PreferenceStore& store, const std::string& homeDirectory) {
    for (const DefaultPreference& preference : defaultPreferences(homeDirectory)) {
        if (preference.value) {
            store.setValue(preference.key, *preference.value);
        } else {
            store.remove(preference.key);
        }
    }
}

} // namespace korvel
