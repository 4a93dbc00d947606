// SPDX-License-Identifier: MIT
#pragma once

// The timecode-track operations on movie files and the frame-rate readout of a movie. Each
// operation takes the full path of a movie, opens the file itself and closes it before it
// returns; changes are made by qtff's crash-safe header update, never by copying media.

#include "base/result.h"
#include "platform/console.h"
#include "platform/user_interface.h"
#include "qtff/movie.h"
#include "qtff/timecode_track.h"
#include "timecode/timecode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

/// The arguments of `ZAN_AddTCTrack`, named as the operation names them.
struct AddTCTrackOptions {
    std::string moviePath;
    std::string tcValue;     // start timecode text, fields at positions 0, 3, 6 and 9
    std::string sourceValue; // reel name
    std::string tvsys;       // a "TVSys" text: "PAL", "NTSC", "24 fps", "23.976 fps", ...
    bool dfValue = false;    // drop frame, used only with "NTSC" and "59.94 fps"
    /// Replace the movie's timecode tracks in the same header update instead of adding beside
    /// them (a crash never leaves the movie without timecode).
    bool replaceExisting = false;
    /// Leave a movie that has a timecode track already as it is and fail: a second track would
    /// hide behind the first.
    bool refuseExisting = false;
};

/// A reel name longer than this many bytes cannot be stored in a timecode track.
inline constexpr std::size_t kMaxReelIdBytes = qtff::kMaxReelNameBytes;

/// The reason `ZAN_AddTCTrack` gives when `refuseExisting` keeps it from adding.
inline constexpr std::string_view kHasTimecodeTrack = "the movie has a timecode track already";

/// The start of a movie's first timecode track, as text.
struct TimecodeStart {
    std::string text; // HH:MM:SS:FF, or HH:MM:SS;FF for drop frame
    std::int64_t frameNumber = 0;
};

/// The answer of `ZAN_ReadSource` when there is no reel name to give.
inline constexpr std::string_view kNoSourceId = "No Source ID";

/// The first timecode track of a movie that could be read.
struct TimecodeReading {
    /// Nothing when the movie has no timecode track or its start cannot be read.
    std::optional<TimecodeStart> start;
    /// As `ZAN_ReadSource` answers it: the reel name, empty when the track carries an empty one,
    /// "No Source ID" without a readable track.
    std::string reelName;
};

class QT_Utility {
  public:
    /// Failed steps are reported on `console`; delete beeps through `ui` when it cannot open
    /// the movie.
    QT_Utility(Console& console, UserInterface& ui) : m_console(console), m_ui(ui) {}

    /// Whether the movie has at least one timecode track; false also for a file that cannot be
    /// read as a movie.
    bool ZAN_CheckTCTrack(const std::string& moviePath);

    /// Adds one timecode track (it does not look for an existing one: callers check and delete
    /// first). Fails, leaving the file as it was, when the file cannot be opened for writing, is
    /// not a movie, cannot be changed safely, or the TV system is not one of the three.
    Status ZAN_AddTCTrack(const AddTCTrackOptions& options);

    /// Removes every timecode track and every reference to one. A movie without any is left
    /// untouched.
    Status ZAN_DeleteTCTrack(const std::string& moviePath);

    /// The reel name of the first timecode track; "No Source ID" when the movie has none (or
    /// cannot be read, or the track has no readable timecode); empty when the track carries no
    /// name.
    std::string ZAN_ReadSource(const std::string& moviePath);

    /// The start timecode of the first timecode track, or nothing.
    std::optional<TimecodeStart> readStartTimecode(const std::string& moviePath);

    /// Whether the movie has a timecode track; fails when the file cannot be read as a movie, so
    /// that "no timecode" is told from "could not read".
    Result<bool> hasTimecodeTrack(const std::string& moviePath);

    /// The start and reel name of the first timecode track; fails when the file cannot be read
    /// as a movie or its timecode track is damaged.
    Result<TimecodeReading> readTimecodeTrack(const std::string& moviePath);

  private:
    Console& m_console;
    UserInterface& m_ui;
};

/// The movie's time scale: time units per second.
std::int32_t timeScale(const qtff::Movie& movie);

/// The movie's video frame rate as "%f" text (time scale over the end of the first video frame,
/// in single precision), or "NA" when the movie has no video.
std::string getFPS(const qtff::Movie& movie);

/// The frame rate of the movie's first enabled video track (its media time scale over its first
/// sample's duration); nothing when it has none.
std::optional<Rational> pictureFrameRate(const qtff::Movie& movie);

/// A log line when the picture of the movie at `moviePath` runs at another rate than `system`
/// shows (a 29.97 movie given a PAL track is most likely a mistake); nothing when they agree
/// within a hundredth of a percent, or the movie has no picture or cannot be read.
std::optional<std::string> pictureRateNote(const std::string& moviePath, TvSystem system);

/// The record a timecode text gives when read field by field at positions 0, 3, 6 and 9: each
/// field's leading digits as a number, 0 when it has none, kept in 8 bits. Never fails, even on
/// short text.
TimeCodeRecord looseTimeCodeFields(std::string_view text);

} // namespace korvel
