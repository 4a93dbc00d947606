// SPDX-License-Identifier: MIT
// The ALE (Avid Log Exchange) shot log, as we read it: a "Heading" line and heading keys, a
// "Column" line followed by the column names, a "Data" line followed by one tab-separated row per
// clip. Lines end in "\r\n" (Windows), "\n" (Unix) or "\r" (Mac); a file that mixes them keeps
// every line. Fields carry no quoting, and keywords and column names are compared exactly.
#include "shotlog/ale_reader.h"

#include <algorithm>
#include <string>

namespace korvel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kHeading = "Heading";
constexpr std::string_view kColumn = "Column";
constexpr std::string_view kData = "Data";
constexpr std::string_view kVideoFormatNtsc = "VIDEO_FORMAT\tNTSC";
constexpr std::string_view kVideoFormatPal = "VIDEO_FORMAT\tPAL";
constexpr std::string_view kFpsHeading = "FPS\t";

// The kind of line end after the "Heading" that starts `text`. A text of that one line counts as
// Windows, as the "\r\n" test has always come first.
AleLineBreak lineBreakAfterHeading(std::string_view text) {
    const std::string_view rest = text.substr(kHeading.size());
    if (rest.empty() || rest.substr(0, 2) == "\r\n") {
        return AleLineBreak::Windows;
    }
    return rest.front() == '\n' ? AleLineBreak::Unix : AleLineBreak::Mac;
}

std::string_view lineBreakName(AleLineBreak lineBreak) {
    switch (lineBreak) {
    case AleLineBreak::Windows:
        return "Windows";
    case AleLineBreak::Unix:
        return "Unix";
    case AleLineBreak::Mac:
        break;
    }
    return "Mac";
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

// The "FPS" heading line's rate, checked only under the TV systems that came after PAL, NTSC and
// 24 fps: those three keep the VIDEO_FORMAT checks alone, as they always have.
bool frameRatePasses(const AleLog& ale, const AleReadOptions& options, UserInterface& ui,
                     const LogSink& log) {
    const auto system = TvSystem::parse(options.tvSys);
    if (!system || *system == TvSystem::Pal || *system == TvSystem::Ntsc ||
        *system == TvSystem::Film24) {
        return true;
    }
    for (std::size_t i = 0; i + 1 < ale.allLines.size() && ale.allLines[i] != kColumn; ++i) {
        if (ale.allLines[i].substr(0, kFpsHeading.size()) != kFpsHeading) {
            continue;
        }
        const std::string_view fps = ale.allLines[i].substr(kFpsHeading.size());
        const auto named = tvSystemOfAleFps(fps);
        if (!named) {
            return true;
        }
        log("The ALE file has " + std::string(fps) + " fps");
        if (*named != *system) {
            stopWithAlert(ui, "Frame rate confusion...",
                          "The ALE file is at " + std::string(fps) +
                              " fps but the preferences are set to " + std::string(system->name()) +
                              "!",
                          "Cancel");
            return false;
        }
        return true;
    }
    return true;
}

} // namespace

std::optional<TvSystem> tvSystemOfAleFps(std::string_view fps) {
    if (fps == "23.98") {
        return TvSystem::Film23976;
    }
    for (TvSystem system : TvSystem::kAll) {
        if (fps == aleFpsText(system)) {
            return system;
        }
    }
    return std::nullopt;
}

std::string_view aleFpsText(TvSystem system) {
    switch (system.kind()) {
    case TvSystem::Kind::Pal:
        return "25";
    case TvSystem::Kind::Ntsc:
        return "29.97";
    case TvSystem::Kind::Film24:
        return "24";
    case TvSystem::Kind::Film23976:
        return "23.976";
    case TvSystem::Kind::Fps30:
        return "30";
    case TvSystem::Kind::Fps50:
        return "50";
    case TvSystem::Kind::Fps5994:
        return "59.94";
    case TvSystem::Kind::Fps60:
        break;
    }
    return "60";
}

std::string_view skipByteOrderMark(std::string_view text) {
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return text;
}

void splitLines(std::string_view text, std::vector<std::string_view>& out) {
    constexpr std::size_t kNone = std::string_view::npos;
    out.clear();
    std::size_t start = 0;
    std::size_t nextCr = text.find('\r');
    std::size_t nextLf = text.find('\n');
    while (nextCr != kNone || nextLf != kNone) {
        const std::size_t at = std::min(nextCr, nextLf);
        out.push_back(text.substr(start, at - start));
        start = at == nextCr && nextLf == at + 1 ? at + 2 : at + 1; // "\r\n" is one line end
        if (nextCr < start) {
            nextCr = text.find('\r', start);
        }
        if (nextLf < start) {
            nextLf = text.find('\n', start);
        }
    }
    out.push_back(text.substr(start));
}

void splitText(std::string_view text, std::string_view separator,
               std::vector<std::string_view>& out) {
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

    if (text.substr(0, text.find_first_of("\r\n")) != kHeading) {
        return refuse(ui, "Something is wrong here...", "The file is not an ALE file!",
                      "Too Bad...");
    }
    splitLines(text, ale.allLines);
    ale.lineBreak = lineBreakAfterHeading(text);
    log(lineBreakMessage(options, lineBreakName(ale.lineBreak)));

    if (!videoFormatPasses(ale, options, kVideoFormatNtsc, "NTSC", "PAL",
                           "The ALE file is in NTSC format but the preferences are set to PAL!", ui,
                           log) ||
        !videoFormatPasses(ale, options, kVideoFormatPal, "PAL", "NTSC",
                           "The ALE file is in PAL format but the preferences are set to NTSC!", ui,
                           log)) {
        return makeError("the video format of the ALE file contradicts the preferences");
    }
    if (!frameRatePasses(ale, options, ui, log)) {
        return makeError("the frame rate of the ALE file contradicts the preferences");
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
