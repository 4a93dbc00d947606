// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "platform/preference_store.h"

#include <optional>
#include <span>
#include <string_view>

namespace korvel {

/// The kind of value a preference key holds.
enum class PreferenceType { String, Boolean, Integer };

/// A key of the preference store, the kind of value it holds, and for a popup of the preferences
/// sheet the texts it offers (empty: any value of the type).
struct PreferenceKey {
    std::string_view name;
    PreferenceType type;
    std::span<const std::string_view> choices = {};
};

/// Every key the tool reads or writes.
std::span<const PreferenceKey> knownPreferenceKeys();

/// The type of a known key; nothing for a key the tool does not know.
std::optional<PreferenceType> preferenceType(std::string_view key);

/// The texts a popup key offers; empty for a key that takes any value of its type.
std::span<const std::string_view> preferenceChoices(std::string_view key);

/// A value typed in by a person for a known key: booleans as true/false, integers in decimal,
/// strings as they are. Fails for an unknown key, a text that is not of the key's type, or one
/// that is none of a popup key's choices (the message lists them).
Result<PreferenceValue> parsePreferenceValue(std::string_view key, std::string_view text);

namespace prefkey {
inline constexpr std::string_view kTVSys = "TVSys";
inline constexpr std::string_view kDF = "DF";
inline constexpr std::string_view kTcColumn = "tcColumn";
inline constexpr std::string_view kMovieExtension = "movieExtension";
inline constexpr std::string_view kUserTxt1 = "usertxt1";
inline constexpr std::string_view kUserTxt2 = "usertxt2";
inline constexpr std::string_view kUserTxt3 = "usertxt3";
inline constexpr std::string_view kUserTxt4 = "usertxt4";
inline constexpr std::string_view kUserTxt5 = "usertxt5";
inline constexpr std::string_view kAle2fcpAleDir = "ale2fcpAleDir";
inline constexpr std::string_view kAle2fcpFcpDir = "ale2fcpFcpDir";
inline constexpr std::string_view kClipType = "clipType";
inline constexpr std::string_view kSeperateBins = "seperateBins";
inline constexpr std::string_view kModifyNameData = "modifyNameData";
inline constexpr std::string_view kMediaFileVersion = "mediaFileVersion";
inline constexpr std::string_view kConvertTo24Tc = "convertTo24Tc";
inline constexpr std::string_view kQtcWindows = "qtcWindows";
inline constexpr std::string_view kAle2fcpTCConversion = "ale2fcpTCConversion";
inline constexpr std::string_view kAle2fcpWindowsOption = "ale2fcpWindowsOption";
inline constexpr std::string_view kAleCopyName = "aleCopyName";
inline constexpr std::string_view kAle2fcpFCPvers = "ale2fcpFCPvers";
inline constexpr std::string_view kOverwrite = "overwrite";
inline constexpr std::string_view kBatchListHeaderLanguish = "BatchListHeaderLanguish";
inline constexpr std::string_view kClickCreateFCPBatchList = "clickCreateFCPBatchList";
inline constexpr std::string_view kBWFXML = "BWFXML";
inline constexpr std::string_view kBWFXMLFormat = "BWFXMLFormat";
inline constexpr std::string_view kBWFMediaConversion = "BWFMediaConversion";
inline constexpr std::string_view kBWFSampleRate = "BWFSampleRate";
inline constexpr std::string_view kButton24to16 = "button24to16";
inline constexpr std::string_view kBWFMergeTracks = "BWFMergeTracks";
inline constexpr std::string_view kButtonMergeMixdown = "buttonMergeMixdown";
inline constexpr std::string_view kBWFfpsRate = "BWFfpsRate";
inline constexpr std::string_view kBWFDFTC = "BWFDFTC";
inline constexpr std::string_view kBWFTapeIDSelect = "BWFTapeIDSelect";
inline constexpr std::string_view kBWFAutoCode = "BWFAutoCode";
inline constexpr std::string_view kLastMovieFile = "lastMovieFile";
inline constexpr std::string_view kLastAleDir = "lastAleDir";
inline constexpr std::string_view kLastMfDir = "lastMfDir";
inline constexpr std::string_view kFcp2aleAleDir = "fcp2aleAleDir";
inline constexpr std::string_view kFcp2aleSaveDir = "fcp2aleSaveDir";
inline constexpr std::string_view kKorvelVersion = "korvelVersion";
} // namespace prefkey

/// The choices of "BWFXMLFormat": the clip list bwf2qt has always written, or an xmeml version 5
/// document of clipitems in tracks, as editing systems write and import it.
namespace bwfxmlformat {
inline constexpr std::string_view kClipList = "Clip list";
inline constexpr std::string_view kXmeml5 = "xmeml 5";
} // namespace bwfxmlformat

} // namespace korvel
