// SPDX-License-Identifier: MIT
#pragma once

// The timecode track: a disabled track of 'tmcd' media with one sample description (the timecode
// definition and the reel name as a 'name' source reference) and one 4-byte sample, the big-endian
// frame number of the start timecode, lasting the whole movie. Another track (the first video
// track, else the first sound track) refers to it with a 'tmcd' track reference.

#include "base/result.h"
#include "qtff/atoms/timecode_sample_entry.h"
#include "qtff/movie.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace korvel::qtff {

std::array<std::uint8_t, 4> timecodeSample(std::int32_t frameNumber);

struct TimecodeTrackOptions {
    TimecodeFormat format;
    std::int32_t startFrame = 0;
    std::string reelName;
    /// Remove every existing timecode track in the same header update, so that the movie never
    /// passes through a state without timecode.
    bool replaceExisting = false;
};

/// Adds a timecode track whose sample lies at file offset `sampleOffset`, and its reference from
/// the first video track, else the first sound track (none when the movie has neither). Answers
/// the new track's ID.
Result<std::uint32_t> addTimecodeTrack(Movie& movie, const TimecodeTrackOptions& options,
                                       std::uint64_t sampleOffset);

/// IDs of every timecode track, in movie order.
std::vector<std::uint32_t> timecodeTrackIds(const Movie& movie);

/// Removes every timecode track and every reference to one; answers how many tracks went.
int deleteTimecodeTracks(Movie& movie);

} // namespace korvel::qtff
