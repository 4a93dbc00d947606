// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "platform/file_attributes.h"
#include "platform/preference_store.h"
#include "platform/user_interface.h"
#include "shotlog/ale_reader.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

/// The option texts of ale2fcp's start timecode choice in 24 fps mode.
inline constexpr std::string_view kConvertStartTo24 = "Convert Start field to 24 fps TC";

/// The answer of ale2fcp when the conversion stopped (its alert has been shown).
inline constexpr std::string_view kAle2fcpFailed = " ";

/// The options of one ale2fcp conversion, named as the preferences that fill them.
struct Ale2fcpOptions {
    /// Names of ALE columns carried into the comment columns 1 to 4; no value matches no column.
    std::optional<std::string> userTxt1;
    std::optional<std::string> userTxt2;
    std::optional<std::string> userTxt3;
    std::optional<std::string> userTxt4;
    std::optional<std::string> userTxt5; // accepted, not used
    bool aleCopyName = false;            // add "Label 2" holding each name as logged
    std::string nameModify = "No";       // "No", "Truncate", "Truncate, add \".mov\"", ...
    std::int32_t baseNameLength = 28;    // truncated names keep baseNameLength - 1 UTF-16 units
    std::string myTVSys = "PAL"; // a "TVSys" text: "PAL", "NTSC", "24 fps", "23.976 fps", ...
    bool df = false;             // accepted, not used
    bool convertToWindowsName = false;
    std::string tcFieldName = std::string(kConvertStartTo24);
    std::string fcpversion = "FCP 4"; // "FCP 3" or "FCP 4": titles of the comment columns
};

/// The options of one fcp2ale conversion.
struct Fcp2aleOptions {
    bool seperateBins = false;              // one ALE per bin; off: one ALE of every kept row
    std::string theClipType = "Clips only"; // "Clips only", "Clips & SubClips", "SubClips only"
    std::string tvsys = "PAL";              // a "TVSys" text other than "24 fps"
    std::string filename;                   // full path of the batch list
};

/// Writes a text file whole; the default replaces the file atomically.
using TextFileWriter = std::function<Status(const std::string& path, std::string_view text)>;

/// The shot-log conversions between ALE logs and Final Cut Pro batch lists. They work on text,
/// reach the person only through the user interface and write their progress to the log sink.
/// Saving an ALE also needs the preference store (last folder), file attributes (type code) and
/// a file writer; without them saveAleFile still writes, and records nothing else.
class ALETools {
  public:
    ALETools(UserInterface& ui, LogSink log);
    ALETools(UserInterface& ui, LogSink log, PreferenceStore& preferences,
             FileAttributes& fileAttributes, TextFileWriter writer = {});

    /// Converts an ALE log into a batch list ("\r" line ends). On failure, after its alert, it
    /// answers kAle2fcpFailed.
    std::string ale2fcp(std::string_view rawAletxt, const Ale2fcpOptions& options);

    /// Converts a batch list into ALE logs, offering each through saveAleFile. Answers "OK", or
    /// "error" when a required column is missing or an ALE could not be written.
    std::string fcp2ale(std::string_view fcpTxt, const Fcp2aleOptions& options);

    /// Asks for a path in the "Save ALE Log" panel and writes `aleString` there. False only when
    /// writing failed (a cancelled panel is not a failure).
    bool saveAleFile(std::string_view aleString, const std::string& newAleName);

  private:
    UserInterface& m_ui;
    LogSink m_log;
    PreferenceStore* m_preferences = nullptr;
    FileAttributes* m_fileAttributes = nullptr;
    TextFileWriter m_writer;
};

/// The name truncated to at most `maxUnits` UTF-16 units, never splitting a character.
std::string truncateToUtf16Units(std::string_view name, std::size_t maxUnits);

} // namespace korvel
