// SPDX-License-Identifier: MIT
#include "movie/batch_add_tc.h"

#include "movie/qt_utility.h"
#include "platform/path_names.h"
#include "platform/text_file.h"
#include "shotlog/ale_tools.h"
#include "shotlog/windows_text.h"
#include "timecode/tc30totc24.h"
#include "timecode/timecode.h"
#include "timecode/tv_system.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace korvel {
namespace {

constexpr std::string_view kProgressTitle = "Batch Add TC";
constexpr std::size_t kNoColumn = static_cast<std::size_t>(-1);

bool nameHasExtension(std::string_view name, std::string_view extension) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    // ".mov" is compared with the name's ending, dot included; "mov" with the text after the dot.
    return name.substr(dot) == extension || name.substr(dot + 1) == extension;
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// A file name that names one file of the folder: not empty, "." or "..", and without "/" or a NUL
// byte (the system reads a path only up to a NUL, so it would look at another file).
bool namesOneFile(std::string_view fileName) {
    return !fileName.empty() && fileName != "." && fileName != ".." &&
           fileName.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// The text of a name for the log, with its NUL bytes shown as "\0".
std::string shownName(std::string_view name) {
    std::string shown;
    for (const char c : name) {
        shown += c == '\0' ? std::string_view("\\0") : std::string_view(&c, 1);
    }
    return shown;
}

// True when the file, with every symbolic link on its way followed, lies inside the folder.
bool liesInsideFolder(const std::string& path, const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file = fs::canonical(path, error);
    if (error) {
        return false;
    }
    const fs::path root = fs::canonical(folder, error);
    if (error) {
        return false;
    }
    const auto [rootEnd, fileRest] =
        std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    return rootEnd == root.end() && fileRest != file.end();
}

struct Columns {
    std::size_t name = kNoColumn;
    std::size_t timecode = kNoColumn;
    std::size_t tape = kNoColumn;

    std::size_t highest() const { return std::max({name, timecode, tape}); }
};

// The first matching rule wins for each column name: name, the chosen timecode column, tape.
Columns findColumns(const std::vector<std::string_view>& headerArray, std::string_view tcField) {
    Columns columns;
    for (std::size_t i = 0; i < headerArray.size(); ++i) {
        const std::string_view field = headerArray[i];
        if (field == "Name" || field == "Clip Name") {
            columns.name = i;
        } else if (field == tcField) {
            columns.timecode = i;
        } else if (field == "Tape") {
            columns.tape = i;
        }
    }
    return columns;
}

// The start timecode a clip's track gets, or nothing when the row's text cannot be used. Never
// 00:00:00:00 in place of text that is not a timecode.
std::optional<std::string> startTimecode(std::string_view clipName, std::string_view tcValue,
                                         bool convertTo24TC, TvSystem system, const LogSink& log) {
    if (!convertTo24TC) {
        if (isValidTimeCodeText(tcValue, system)) {
            return std::string(tcValue);
        }
        return std::nullopt;
    }
    if (!isValidTimeCodeText(tcValue, 30, isDropFrameText(tcValue))) {
        return std::nullopt;
    }
    auto converted = tc30totc24(tcValue);
    if (!converted || !isValidTimeCodeText(*converted, system)) {
        return std::nullopt;
    }
    log("Converting Clip " + std::string(clipName) + " 30 fps timecode: " + std::string(tcValue) +
        " to 24 fps timecode: " + *converted);
    return converted;
}

void countResult(BatchAddTcSummary& summary, ClipResult result) {
    switch (result) {
    case ClipResult::Added:
        ++summary.added;
        break;
    case ClipResult::Skipped:
        ++summary.skipped;
        break;
    case ClipResult::Missed:
        ++summary.missed;
        break;
    case ClipResult::Unconfirmed:
        ++summary.unconfirmed;
        break;
    case ClipResult::Failed:
        ++summary.failed;
        break;
    }
}

// Why a batch cannot be run on an ALE with these columns; nothing when it can.
std::optional<std::string> missingColumnMessage(const Columns& columns) {
    if (columns.timecode == kNoColumn) {
        return "The Batch List does not contain the Column specified in the preferences...";
    }
    if (columns.name == kNoColumn) {
        return "The Batch List does not contain a Name Column - stopping...";
    }
    if (columns.tape == kNoColumn) {
        return "The Batch List does not contain a Tape Column - stopping...";
    }
    return std::nullopt;
}

// The rows that are clips: a completely empty line is neither counted nor read.
std::vector<std::size_t> clipRowIndexes(const std::vector<std::string_view>& clipRows) {
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < clipRows.size(); ++i) {
        if (!clipRows[i].empty()) {
            indexes.push_back(i);
        }
    }
    return indexes;
}

// True, and the batch marked cancelled, when the person asked to stop and clips remain.
bool cancelledBetweenClips(BatchAddTcSummary& summary, const ProgressReporter& progress,
                           const LogSink& log) {
    const int done =
        summary.added + summary.skipped + summary.missed + summary.failed + summary.unconfirmed;
    if (done >= summary.clips || !progress.cancelRequested()) {
        return false;
    }
    // Between two clips: every movie is either changed completely or not touched.
    log("Batch Add TC was cancelled after clip " + std::to_string(done) + " of " +
        std::to_string(summary.clips) + ": the clips after it were left as they were.");
    summary.cancelled = true;
    return true;
}

// The lines of the summary sheet.
std::vector<std::string> summaryLines(const std::string& aleName,
                                      const BatchAddTcSummary& summary) {
    std::vector<std::string> lines{
        "The ALE file: " + aleName + " contained " + std::to_string(summary.clips) + " clip(s).",
        "Added timecode tracks to " + std::to_string(summary.added) + " QuickTime file(s).",
        "Skipped overwriting timecode tracks to " + std::to_string(summary.skipped) +
            " QuickTime file(s).",
        "Could not find " + std::to_string(summary.missed) + " QuickTime file(s).",
    };
    if (summary.failed != 0) {
        lines.push_back("Could not change " + std::to_string(summary.failed) +
                        " QuickTime file(s).");
    }
    if (summary.unconfirmed != 0) {
        lines.push_back("Changed " + std::to_string(summary.unconfirmed) +
                        " QuickTime file(s), but the changes may not be on the disk yet.");
    }
    return lines;
}

} // namespace

TimecodeTrackOperations timecodeTrackOperations(Console& console, UserInterface& ui) {
    const auto qtu = std::make_shared<QT_Utility>(console, ui);
    const auto add = [qtu](bool replaceExisting) {
        return [qtu, replaceExisting](const std::string& moviePath, std::string_view tcValue,
                                      std::string_view sourceValue, std::string_view tvsys,
                                      bool dfValue) {
            AddTCTrackOptions options;
            options.moviePath = moviePath;
            options.tcValue = tcValue;
            options.sourceValue = sourceValue;
            options.tvsys = tvsys;
            options.dfValue = dfValue;
            options.replaceExisting = replaceExisting;
            // Checked again while the movie is locked: another run may have added one since.
            options.refuseExisting = !replaceExisting;
            return qtu->ZAN_AddTCTrack(options);
        };
    };
    TimecodeTrackOperations operations;
    operations.checkTCTrack = [qtu](const std::string& moviePath) {
        return qtu->ZAN_CheckTCTrack(moviePath);
    };
    operations.deleteTCTrack = [qtu](const std::string& moviePath) {
        return qtu->ZAN_DeleteTCTrack(moviePath);
    };
    operations.addTCTrack = add(false);
    operations.replaceTCTrack = add(true);
    return operations;
}

std::string_view clipResultText(ClipResult result) {
    switch (result) {
    case ClipResult::Added:
        return "added";
    case ClipResult::Skipped:
        return "skipped";
    case ClipResult::Missed:
        return "missed";
    case ClipResult::Unconfirmed:
        return "changed, not confirmed on disk";
    case ClipResult::Failed:
        break;
    }
    return "failed";
}

std::string batchMovieFileName(std::string_view name, std::string_view movieExtension,
                               std::int32_t baseNameLength) {
    if (movieExtension.empty() || nameHasExtension(name, movieExtension)) {
        return std::string(name);
    }
    // A name shorter than baseNameLength is kept whole; a longer one keeps baseNameLength - 1
    // units, so one truncation covers both.
    const std::size_t keep = baseNameLength > 1 ? static_cast<std::size_t>(baseNameLength) - 1 : 0;
    return truncateToUtf16Units(name, keep) + std::string(movieExtension);
}

BatchAddTc::BatchAddTc(UserInterface& ui, LogSink log, TimecodeTrackOperations tracks)
    : m_ui(ui), m_log(std::move(log)), m_tracks(std::move(tracks)) {}

ClipResult BatchAddTc::reportFailedChange(const std::string& moviePath, const Error& reason) {
    if (reason.kind == ErrorKind::Unconfirmed) {
        m_log("ERROR - The timecode track of the file: " + moviePath +
              " was changed, but the change may not be on the disk yet (" + reason.message + ")");
        return ClipResult::Unconfirmed;
    }
    m_log("ERROR - Could not add a timecode track to the file: " + moviePath + " (" +
          reason.message + ")");
    return ClipResult::Failed;
}

ClipResult BatchAddTc::addTcTrackToMovie(std::string& rawMovieName,
                                         const AddTcTrackToMovieOptions& options) {
    std::replace(rawMovieName.begin(), rawMovieName.end(), '/', ':');
    const std::string wholeName = batchMovieFileName(rawMovieName, options.movieExtension,
                                                     std::numeric_limits<std::int32_t>::max());
    const std::string cutName =
        batchMovieFileName(rawMovieName, options.movieExtension, options.baseNameLength);
    if (!namesOneFile(wholeName) || !namesOneFile(cutName)) {
        m_log("ERROR - The clip name " + shownName(rawMovieName) +
              " does not name a file of the media folder - skipping...");
        return ClipResult::Failed;
    }
    // The whole name first: cut short, it can be the name of another clip's movie.
    const std::string wholePath = options.moviedir + "/" + wholeName;
    const std::string moviePath = cutName != wholeName && fileExists(wholePath)
                                      ? wholePath
                                      : options.moviedir + "/" + cutName;
    m_progressLine = fileNameOf(moviePath);
    m_ui.progress().update(m_progressValue, m_progressLine, {});

    if (!fileExists(moviePath)) {
        m_log("ERROR - The file: " + moviePath + " does not exists!");
        return ClipResult::Missed;
    }
    if (!liesInsideFolder(moviePath, options.moviedir)) {
        m_log("ERROR - The file: " + moviePath +
              " is a symbolic link leading out of the media folder - skipping...");
        return ClipResult::Failed;
    }
    // The movie's header is all that changes, so its bytes are done at once when it is.
    std::error_code error;
    const std::uint64_t movieBytes = std::filesystem::file_size(moviePath, error);
    const std::uint64_t total = error ? 0 : movieBytes;
    m_ui.progress().fileProgress(0, total);
    const ClipResult result = changeTrack(moviePath, options);
    m_ui.progress().fileProgress(total, total);
    return result;
}

ClipResult BatchAddTc::changeTrack(const std::string& moviePath,
                                   const AddTcTrackToMovieOptions& options) {
    const bool hasTrack = m_tracks.checkTCTrack(moviePath);
    if (options.overWriteExistingTcTrack) {
        if (hasTrack && m_tracks.replaceTCTrack) {
            const Status replaced = m_tracks.replaceTCTrack(
                moviePath, options.tcVal, options.reelID, options.tvSys, options.DFValue);
            if (!replaced) {
                return reportFailedChange(moviePath, replaced.error());
            }
            noteOtherPictureRate(moviePath, options.tvSys);
            return ClipResult::Added;
        }
        if (hasTrack) {
            // Adding after a failed delete would leave two timecode tracks.
            if (const Status deleted = m_tracks.deleteTCTrack(moviePath); !deleted) {
                return reportFailedChange(moviePath, deleted.error());
            }
        }
    } else {
        if (hasTrack) {
            m_log("The QuickTime file " + moviePath + " already has a tc track... skipping");
            return ClipResult::Skipped;
        }
        m_log("Adding timecode track to the QuickTime file " + moviePath);
    }
    const Status added = m_tracks.addTCTrack(moviePath, options.tcVal, options.reelID,
                                             options.tvSys, options.DFValue);
    if (!added) {
        return reportFailedChange(moviePath, added.error());
    }
    noteOtherPictureRate(moviePath, options.tvSys);
    return ClipResult::Added;
}

void BatchAddTc::noteOtherPictureRate(const std::string& moviePath, std::string_view tvSys) {
    const auto system = TvSystem::parse(tvSys);
    if (const auto note = system ? pictureRateNote(moviePath, *system) : std::nullopt) {
        m_log(*note);
    }
}

// The columns, TV system and movie-name rules of one batch.
struct BatchAddTc::Plan {
    Columns columns;
    TvSystem system;
    std::string extension;
    std::int32_t baseNameLength;

    Plan(const Columns& found, TvSystem tvSystem, const SetMovieTCFromAleOptions& options)
        : columns(found), system(tvSystem), extension(options.movieExtension),
          baseNameLength(options.baseNameLength) {
        if (extension == "None") {
            extension.clear();
            baseNameLength = 255;
        }
    }
};

ClipResult BatchAddTc::runClip(const std::string& clipName, const std::string& tcValue,
                               const std::string& reelID, const SetMovieTCFromAleOptions& options,
                               const Plan& plan) {
    const auto start = startTimecode(clipName, tcValue, options.convertTo24TC, plan.system, m_log);
    if (!start) {
        m_log("ERROR - The clip " + clipName + " has no valid timecode: " + tcValue +
              " - skipping...");
        return ClipResult::Failed;
    }
    if (reelID.size() > kMaxReelIdBytes) {
        m_log("ERROR - The tape name of the clip " + clipName + " is " +
              std::to_string(reelID.size()) + " bytes long; a timecode track holds " +
              std::to_string(kMaxReelIdBytes) + " at most - skipping...");
        return ClipResult::Failed;
    }

    AddTcTrackToMovieOptions clip;
    clip.tcVal = *start;
    clip.reelID = reelID;
    clip.tvSys = options.tvsys;
    clip.overWriteExistingTcTrack = options.overwrite;
    clip.movieExtension = plan.extension;
    clip.moviedir = options.mediaFolder;
    clip.DFValue = isDropFrameText(*start);
    clip.baseNameLength = plan.baseNameLength;

    std::string movieName = options.windowsText ? convertWindowsText(clipName, "NT4") : clipName;
    const ClipResult result = addTcTrackToMovie(movieName, clip);
    if (result != ClipResult::Missed || !options.windowsText) {
        return result;
    }
    std::string alternative = convertWindowsText(clipName, "WIN2K");
    m_log("Trying again with alternative conversion...");
    return addTcTrackToMovie(alternative, clip);
}

Result<BatchAddTcSummary> BatchAddTc::setMovieTCFromAle(const SetMovieTCFromAleOptions& options) {
    const auto aleText = readTextFile(options.alePath);
    if (!aleText) {
        m_log("Starting Batch Add TC...");
        m_log("ERROR: The ALE file: " + fileNameOf(options.alePath) + " could not be read (" +
              aleText.error().message + ") - stopping...");
        stopWithAlert(m_ui, "Something is wrong here...", "The ALE file could not be read!",
                      "Too Bad...");
        return aleText.error();
    }
    return setMovieTCFromAleText(*aleText, options);
}

Result<ClipResult> BatchAddTc::runRow(const std::vector<std::string_view>& fields,
                                      std::size_t lineNumber,
                                      const SetMovieTCFromAleOptions& options, const Plan& plan) {
    const Columns& columns = plan.columns;
    if (fields.size() <= columns.highest()) {
        m_log("ERROR - Line " + std::to_string(lineNumber) + " of the ALE shot log has " +
              std::to_string(fields.size()) +
              " field(s), too few for its name, timecode and tape columns - skipping...");
        return ClipResult::Failed;
    }
    if (fields[columns.timecode].empty()) {
        m_ui.progress().end();
        stopWithAlert(m_ui, "The starting timecode is missing!",
                      "There is no timecode value in the timecode column.", "Cancel");
        return makeError("there is no timecode value in the timecode column");
    }
    return runClip(std::string(fields[columns.name]), std::string(fields[columns.timecode]),
                   std::string(fields[columns.tape]), options, plan);
}

Result<BatchAddTcSummary>
BatchAddTc::setMovieTCFromAleText(std::string_view aleText,
                                  const SetMovieTCFromAleOptions& options) {
    const std::string aleName = fileNameOf(options.alePath);
    m_log("Starting Batch Add TC...");

    const auto system = tvSystemFromName(options.tvsys);
    if (!system) {
        const std::string message =
            "The TV system \"" + options.tvsys + "\" is not PAL, NTSC or 24 fps - stopping...";
        m_log("ERROR: " + message);
        stopWithAlert(m_ui, "Error", message, "OK");
        return makeError(message);
    }
    const auto ale =
        readAle(aleText, {AleReaderKind::BatchAddTc, options.tvsys, aleName}, m_ui, m_log);
    if (!ale) {
        return ale.error();
    }
    const Columns columns = findColumns(ale->headerArray, options.tcField);
    if (const auto missing = missingColumnMessage(columns)) {
        stopWithAlert(m_ui, "Error", *missing, "OK");
        return makeError(*missing);
    }
    const Plan plan(columns, *system, options);

    const std::vector<std::size_t> rowIndexes = clipRowIndexes(ale->clipRows);
    BatchAddTcSummary summary;
    summary.clips = static_cast<int>(rowIndexes.size());
    ProgressReporter& progress = m_ui.progress();
    m_progressValue = 0;
    m_progressLine.clear();
    progress.begin(std::string(kProgressTitle), summary.clips);
    m_log("The ALE shot log contains " + std::to_string(summary.clips) + " clips.");

    std::vector<std::string_view> fields;
    for (const std::size_t rowIndex : rowIndexes) {
        splitAleFields(ale->clipRows[rowIndex], fields);
        const auto result = runRow(fields, ale->dataRowStart + rowIndex + 1, options, plan);
        if (!result) {
            return result.error();
        }
        m_progressValue += 1;
        progress.update(m_progressValue, m_progressLine, {});
        countResult(summary, *result);
        if (cancelledBetweenClips(summary, progress, m_log)) {
            break;
        }
    }

    progress.end();
    // Counted from the clips done, so that a cancelled batch does not count the rest as found.
    const int found = summary.added + summary.skipped + summary.failed + summary.unconfirmed;
    m_log("Found " + std::to_string(found) + " QuickTime files out of " +
          std::to_string(summary.clips) + " entries in the ALE shot log.");
    m_log("Ending Batch Add TC...\r");
    m_ui.showSummary(std::string(kProgressTitle), summaryLines(aleName, summary));
    return summary;
}

} // namespace korvel
