// SPDX-License-Identifier: MIT
#pragma once

// Batch Add TC: every clip of an ALE shot log gives the movie named after it, in one media
// folder, a timecode track with the clip's start timecode and tape (reel) name.

#include "base/result.h"
#include "platform/console.h"
#include "platform/user_interface.h"
#include "shotlog/ale_reader.h"
#include "timecode/tv_system.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

/// The timecode-track operations one clip needs, taking the movie's full path. The check answers
/// false also for a file that cannot be read as a movie; delete, add and replace answer why they
/// failed, and leave the file as it was when they do.
struct TimecodeTrackOperations {
    using Add =
        std::function<Status(const std::string& moviePath, std::string_view tcValue,
                             std::string_view sourceValue, std::string_view tvsys, bool dfValue)>;
    std::function<bool(const std::string& moviePath)> checkTCTrack;
    std::function<Status(const std::string& moviePath)> deleteTCTrack;
    Add addTCTrack;
    /// Adds the track in place of the existing ones in one change of the movie, so that a failure
    /// or a crash never leaves it without timecode. When absent, overwriting deletes, then adds.
    Add replaceTCTrack;
};

/// The operations of the movie utility, for Batch Add TC; `console` and `ui` must outlive them.
TimecodeTrackOperations timecodeTrackOperations(Console& console, UserInterface& ui);

/// The options of one batch, named as the arguments the command fills from the preferences.
struct SetMovieTCFromAleOptions {
    std::string alePath;                 // full path of the ALE shot log
    std::string mediaFolder;             // the folder holding the movies
    std::string tcField = "Start";       // the ALE column holding the start timecode ("tcColumn")
    std::string tvsys = "PAL";           // "PAL", "NTSC" or "24 fps"
    bool overwrite = false;              // replace existing timecode tracks
    std::string movieExtension = ".mov"; // "None" (or empty) for names used as they stand
    bool DFValue = false;                // accepted, not used: drop frame comes from each timecode
    std::int32_t baseNameLength = 28;    // longer names keep baseNameLength - 1 UTF-16 units
    bool convertTo24TC = false;          // 30 fps start timecodes become 24 fps timecodes
    bool windowsText = false;            // look for Windows-safe names ("NT4", then "WIN2K")
};

/// The options of one clip.
struct AddTcTrackToMovieOptions {
    std::string tcVal;  // start timecode text
    std::string reelID; // tape name
    std::string tvSys;
    bool overWriteExistingTcTrack = false;
    std::string movieExtension; // added to the name; empty for none
    std::string moviedir;       // the folder
    bool DFValue = false;       // drop frame
    std::int32_t baseNameLength = 28;
};

/// What became of one clip. Failed: the movie was found but could not or must not be changed, or
/// the clip's row could not be used (no valid timecode, a reel name too long to store, too few
/// fields, a name that names no file of the folder). Unconfirmed: the movie was changed, but the
/// change may not have reached the disk.
enum class ClipResult { Added, Skipped, Missed, Failed, Unconfirmed };

/// "added", "skipped", "missed", "failed" or "changed, not confirmed on disk".
std::string_view clipResultText(ClipResult result);

/// The counts of a batch that ran to its end.
struct BatchAddTcSummary {
    int clips = 0;
    int added = 0;
    int skipped = 0;
    int missed = 0;
    int failed = 0;
    int unconfirmed = 0;
    /// The person stopped the batch between two clips; the counts are of the clips done.
    bool cancelled = false;
};

/// The file name a clip's movie is looked for under: the name with the extension (the name alone
/// when the extension is empty or the name already ends with it), a name of `baseNameLength`
/// UTF-16 units or more cut to baseNameLength - 1 before the extension.
std::string batchMovieFileName(std::string_view name, std::string_view movieExtension,
                               std::int32_t baseNameLength);

/// The Batch Add TC side of the ALE tools: reads the ALE, finds each clip's movie and adds,
/// skips or replaces its timecode track, with progress and the summary sheet on `ui` and every
/// decision in the log.
class BatchAddTc {
  public:
    BatchAddTc(UserInterface& ui, LogSink log, TimecodeTrackOperations tracks);

    /// The whole batch. Answers the counts when it ran to its end (the summary sheet has been
    /// shown), or an error when it stopped on an alert.
    Result<BatchAddTcSummary> setMovieTCFromAle(const SetMovieTCFromAleOptions& options);
    /// The batch on the ALE's text, already read from `options.alePath`.
    Result<BatchAddTcSummary> setMovieTCFromAleText(std::string_view aleText,
                                                    const SetMovieTCFromAleOptions& options);

    /// One clip. `rawMovieName` is the clip name; every "/" in it becomes ":". The movie is looked
    /// for under the whole name first, then under the name cut to the base-name length. A name
    /// that cannot name a file of the folder, and a movie that is a symbolic link leading out of
    /// the folder, are logged and answer Failed: only movies inside the folder are changed.
    ClipResult addTcTrackToMovie(std::string& rawMovieName,
                                 const AddTcTrackToMovieOptions& options);

  private:
    struct Plan;
    /// One row of the ALE; an error when it stops the batch (a clip without a start).
    Result<ClipResult> runRow(const std::vector<std::string_view>& fields, std::size_t lineNumber,
                              const SetMovieTCFromAleOptions& options, const Plan& plan);
    ClipResult runClip(const std::string& clipName, const std::string& tcValue,
                       const std::string& reelID, const SetMovieTCFromAleOptions& options,
                       const Plan& plan);
    /// Logs why a movie's change failed; answers Unconfirmed when it was made all the same.
    ClipResult reportFailedChange(const std::string& moviePath, const Error& reason);
    /// Checks, adds, replaces or skips the timecode track of a movie that exists.
    ClipResult changeTrack(const std::string& moviePath, const AddTcTrackToMovieOptions& options);
    // Logs a note when the movie's picture runs at another rate than its new timecode track.
    void noteOtherPictureRate(const std::string& moviePath, std::string_view tvSys);

    UserInterface& m_ui;
    LogSink m_log;
    TimecodeTrackOperations m_tracks;
    double m_progressValue = 0;
    std::string m_progressLine; // the file name the progress sheet shows
};

} // namespace korvel
