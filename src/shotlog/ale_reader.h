// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "platform/user_interface.h"
#include "timecode/tv_system.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace korvel {

/// Where an operation writes its output-log entries, one entry per call (the output log adds the
/// line end). Lower layers take this instead of the log controller itself.
using LogSink = std::function<void(std::string_view entry)>;

/// The two operations that read ALE logs. They share every reading step and differ in their log
/// lines, in how far they scan for the video format and in where the clip rows end.
enum class AleReaderKind {
    Ale2fcp,    // first VIDEO_FORMAT match only; rows end at the first empty line
    BatchAddTc, // log lines name the file; every VIDEO_FORMAT line logged; every row read
};

struct AleReadOptions {
    AleReaderKind kind = AleReaderKind::Ale2fcp;
    /// The TV system of the preferences, as stored ("PAL", "NTSC", "24 fps", "23.976 fps", ...).
    std::string_view tvSys;
    /// The ALE's file name (last path component) for Batch Add TC's log lines.
    std::string_view fileName;
};

enum class AleLineBreak { Windows, Unix, Mac };

/// An ALE shot log as the readers see it. Every view points into the text given to readAle, which
/// must outlive this value.
struct AleLog {
    /// The line end after the "Heading" line, which the log names.
    AleLineBreak lineBreak = AleLineBreak::Unix;
    /// The text (after a byte-order mark) split at every line end (splitLines); the last element
    /// is the text after the last line end.
    std::vector<std::string_view> allLines;
    std::size_t headerRow = 0; // index of the column-name line
    std::vector<std::string_view> headerArray;
    std::size_t dataRowStart = 0; // index of the first clip row
    /// The clip rows to convert, unsplit: from dataRowStart to the element before the last, plus
    /// the last element when it is not empty (a final row without a line break is still a clip).
    /// For ale2fcp they end before the first empty line.
    std::vector<std::string_view> clipRows;
};

/// The TV system an ALE "FPS" heading value names: "25", "29.97", "24", "23.976" (or "23.98"),
/// "30", "50", "59.94", "60"; nothing for any other text.
std::optional<TvSystem> tvSystemOfAleFps(std::string_view fps);
/// The "FPS" heading value an ALE written for `system` carries.
std::string_view aleFpsText(TvSystem system);

/// Reads an ALE shot log: skips a UTF-8 byte-order mark, names the line breaks, checks the
/// file's VIDEO_FORMAT against `tvSys` (and, under the systems other than PAL, NTSC and 24 fps,
/// its FPS heading), and finds the column line and the clip rows. Writes the
/// readers' log lines to `log`. When the log cannot be read it beeps, shows its alert on `ui` and
/// answers an error holding the alert's message; the caller then stops.
Result<AleLog> readAle(std::string_view aleText, const AleReadOptions& options, UserInterface& ui,
                       const LogSink& log);

/// The lines of a text, split at every line end, be it "\r\n", "\n" or "\r": a file whose lines
/// end in different ways still gives each of its lines. The last element is the text after the
/// last line end (empty when the text ends with one).
void splitLines(std::string_view text, std::vector<std::string_view>& out);

/// The pieces of a text between the separators (a text without one is one piece).
void splitText(std::string_view text, std::string_view separator,
               std::vector<std::string_view>& out);

/// A clip row or column line split at every tab (one field more than it has tabs).
void splitAleFields(std::string_view line, std::vector<std::string_view>& fields);

/// Field `index` of a split row; a row shorter than the column line reads its missing fields as
/// empty.
inline std::string_view aleField(const std::vector<std::string_view>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string_view();
}

/// The text without a leading UTF-8 byte-order mark.
std::string_view skipByteOrderMark(std::string_view text);

} // namespace korvel
