// SPDX-License-Identifier: MIT
#pragma once

// The readout text of a timecode track's frame number, and the frame the running readout shows
// during play.

#include "timecode/tv_system.h"

#include <cstdint>
#include <optional>
#include <string>

namespace korvel::viewer {

/// The readout shown when the movie has no readable timecode, and when nothing is loaded.
inline constexpr const char* kNoTimecode = "no timecode";
inline constexpr const char* kNothingLoaded = "--:--:--:--";
inline constexpr const char* kNoSourceName = "no source name";

/// HH:MM:SS:FF (HH:MM:SS;FF for drop frame) of a frame number under the track's definition.
/// With the 24-hour flag the hours wrap after 23 and a negative number counts back from the end
/// of the day; without it they count on (shown modulo 100). Nothing for a definition without
/// frames per second.
std::optional<std::string> readoutText(std::int64_t frameNumber, const TimeCodeDef& def);

/// The frame the running readout shows after `elapsed` movie time units of play (negative in
/// reverse) from a start at `startFrame`: truncated toward zero, so reverse play counts down.
/// Nothing when the definition gives 0 frames per second or a frame would last 0 movie units
/// (the movie's time scale is below the frame rate).
std::optional<std::int64_t> runningFrame(std::int64_t startFrame, std::int64_t elapsed,
                                         std::int32_t movieTimeScale, const TimeCodeDef& def);

} // namespace korvel::viewer
