// SPDX-License-Identifier: MIT
// The ALE (Avid Log Exchange) shot log, as we read it: a "Heading" line and heading keys, a
// "Column" line followed by the column names, a "Data" line followed by one tab-separated row per
// clip. All lines of a file end with the same break (Windows, Unix or Mac); fields carry no
// quoting, and keywords and column names are compared exactly.
#include "shotlog/ale_reader.h"

#include <string>

namespace korvel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeading = "Heading";
constexpr std::string_view kColumn = "Column";
constexpr std::string_view kData = "Data";
constexpr std::string_view kVideoFormatNtsc = "VIDEO_FORMAT\tNTSC";
constexpr std::string_view kVideoFormatPal = "VIDEO_FORMAT\tPAL";


bool firstPieceIsHeading(std::string_view text, std::string_view separator) {
    return text.substr(0, text.find(separator)) == kHeading;
}

void stopWithAlert(UserInterface& ui, std::string title, std::string message, std::string button) {
    ui.beep();
    ui.runAlert(Alert{std::move(title), std::move(message), std::move(button), {}, {}, false});
}

Error refuse(UserInterface& ui, std::string title, std::string message, std::string button) {
    Error error{message};
    stopWithAlert(ui, std::move(title), std::move(message), std::move(button));
    return error;
}

std::string lineBreakMessage(const AleReadOptions& options, std::string_view kind) {
    if (options.kind == AleReaderKind::BatchAddTc) {
        return "The ALE file: " + std::string(options.fileName) + " has " + std::string(kind) +
               " line breaks!";
    }
    return "The ALE file has " + std::string(kind) + " line breaks!";
}

// One video-format scan: logs each matching line (ale2fcp: the first only) and refuses a file
// whose standard contradicts the preferences.
bool videoFormatPasses(const AleLog& ale, const AleReadOptions& options, std::string_view line,
                       std::string_view formatName, std::string_view contradictingTvSys,
                       std::string_view refusal, UserInterface& ui, const LogSink& log) {
    for (std::size_t i = 0; i + 1 < ale.allLines.size(); ++i) {
        if (ale.allLines[i] != line) {
            continue;
        }
        log("The ALE file has " + std::string(formatName) + " video format");
        if (options.tvSys == contradictingTvSys) {
            stopWithAlert(ui, "Video Format confusion...", std::string(refusal), "Cancel");
            return false;
        }
        if (options.kind == AleReaderKind::Ale2fcp) {
            break;
        }
    }
    return true;
}

} // namespace

std::string_view skipByteOrderMark(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return text;
}

void splitText(std::string_view text, std::string_view separator, std::vector<std::string_view>& out) {
    out.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            out.push_back(text.substr(start));
            return;
        }
        out.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

void splitAleFields(std::string_view line, std::vector<std::string_view>& fields) {
    splitText(line, "\t", fields);
}

Result<AleLog> readAle(std::string_view aleText, const AleReadOptions& options, UserInterface& ui,
                       const LogSink& log) {
    const std::string_view text = skipByteOrderMark(aleText);
    AleLog ale;

    // The tests run from the longest break, so a "\r\n" file is split only there and a lone "\r"
    // or "\n" inside one of its lines stays part of the line.
    if (firstPieceIsHeading(text, "\r\n")) {
        log(lineBreakMessage(options, "Windows"));
        ale.lineBreak = AleLineBreak::Windows;
        splitText(text, "\r\n", ale.allLines);
    } else if (firstPieceIsHeading(text, "\n")) {
        log(lineBreakMessage(options, "Unix"));
        ale.lineBreak = AleLineBreak::Unix;
        splitText(text, "\n", ale.allLines);
    } else if (firstPieceIsHeading(text, "\r")) {
        log(lineBreakMessage(options, "Mac"));
        ale.lineBreak = AleLineBreak::Mac;
        splitText(text, "\r", ale.allLines);
    } else {
        return refuse(ui, "Something is wrong here...", "The file is not an ALE file!", "Too Bad...");
    }

    if (!videoFormatPasses(ale, options, kVideoFormatNtsc, "NTSC", "PAL",
                           "The ALE file is in NTSC format but the preferences are set to PAL!", ui,
                           log) ||
        !videoFormatPasses(ale, options, kVideoFormatPal, "PAL", "NTSC",
                           "The ALE file is in PAL format but the preferences are set to NTSC!", ui,
                           log)) {
        return makeError("the video format of the ALE file contradicts the preferences");
    }

    const std::size_t last = ale.allLines.size() - 1;
    std::size_t columnLine = last;
    for (std::size_t i = 0; i < last; ++i) {
        if (ale.allLines[i] == kColumn) {
            columnLine = i;
            break;
        }
    }
    if (columnLine == last) {
        return refuse(ui, "Something is wrong here...", "The ALE file has no \"Column\" line!",
                      "Too Bad...");
    }
    ale.headerRow = columnLine + 1;
    if (ale.headerRow > last) {
        return refuse(ui, "Something is wrong here...",
                      "The ALE file has no line of column names after \"Column\"!", "Too Bad...");
    }
    splitAleFields(ale.allLines[ale.headerRow], ale.headerArray);

    std::size_t dataLine = ale.allLines.size();
    for (std::size_t i = 0; i < ale.allLines.size(); ++i) {
        if (ale.allLines[i] == kData) {
            dataLine = i;
            break;
        }
    }
    if (dataLine == ale.allLines.size()) {
        return refuse(ui, "Something is wrong here...", "The ALE file has no \"Data\" line!",
                      "Too Bad...");
    }
    ale.dataRowStart = dataLine + 1;

    for (std::size_t i = ale.dataRowStart; i < ale.allLines.size(); ++i) {
        const std::string_view row = ale.allLines[i];
        if (row.empty()) {
            if (options.kind == AleReaderKind::Ale2fcp) {
                break; // a blank line ends the log's data
            }
            if (i == last) {
                break; // only the line break after the final row
            }
        }
        ale.clipRows.push_back(row);
    }
    return ale;
}

} // namespace korvel
