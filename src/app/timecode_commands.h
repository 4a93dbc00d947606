// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "platform/console.h"
#include "platform/preference_store.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace korvel {

// Timecode arithmetic and a movie's timecode track, under the stored TV system ("TVSys"), drop
// frame ("DF") and BWF frame rate ("BWFfpsRate"). Every answer is text; every error message
// names the text it could not take.

/// Fails when the store's TV system is not one of the choices.
Status checkStoredTvSystem(const PreferenceStore& prefs);

/// The frame number of a timecode text; the text alone says whether it is drop frame.
Result<std::int64_t> framesOfTimecode(const PreferenceStore& prefs, std::string_view text);

/// The timecode text of a frame number, drop frame when the system counts that way and "DF" is on.
Result<std::string> timecodeOfFrames(const PreferenceStore& prefs, std::string_view number);

/// The start timecode of a BWF sample position at `sampleRate` under "BWFfpsRate".
Result<std::string> timecodeOfSamples(const PreferenceStore& prefs, std::string_view position,
                                      std::int32_t sampleRate);

/// The 24 fps timecode of a 30 fps timecode.
Result<std::string> timecode24Of30(std::string_view text);

/// A movie's first timecode track as text: `start` is "" when the movie has none.
struct TimecodeTrackText {
    std::string start;
    std::string reelName;
};

/// The timecode-track operations on one movie file at a time, for a front end that names the
/// movie itself. Reading fails when the file cannot be read as a movie, so that "no timecode" is
/// told from "could not read".
class MovieTimecodeCommands {
  public:
    MovieTimecodeCommands(Console& console, UserInterface& ui, const PreferenceStore& prefs)
        : m_console(console), m_ui(ui), m_prefs(prefs) {}

    Result<bool> check(const std::string& movie);
    Result<TimecodeTrackText> read(const std::string& movie);
    /// Adds a track starting at `tc` with reel name `reel`. A start that is not timecode text of
    /// the stored system, or a reel name too long to hold, fails as InvalidRequest before the movie
    /// is touched. `note` hears what the person should know: a start counted otherwise than its
    /// text says, a picture that runs at another rate than the system.
    Status add(const std::string& movie, const std::string& tc, const std::string& reel,
               bool replace, const std::function<void(const std::string&)>& note);
    Status remove(const std::string& movie);

  private:
    Console& m_console;
    UserInterface& m_ui;
    const PreferenceStore& m_prefs;
};

} // namespace korvel
