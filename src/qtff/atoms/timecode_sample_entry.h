// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

#include <string>

namespace korvel::qtff {

/// The timecode definition of a sample description.
struct TimecodeFormat {
    std::int32_t flags = 0;         // 1 drop frame, 2 hours wrap after 23
    std::int32_t timeScale = 0;     // time units per second
    std::int32_t frameDuration = 0; // time units per frame
    std::uint8_t numFrames = 0;     // frames per timecode second

    friend bool operator==(const TimecodeFormat&, const TimecodeFormat&) = default;
};

/// Reel names are stored with an 8-bit length; longer names are cut to this many bytes.
inline constexpr std::size_t kMaxReelNameBytes = 255;

/// The 'tmcd' sample description entry: the timecode definition, and the reel name as the
/// 'name' item of its source reference.
struct TimecodeSampleEntry {
    std::uint16_t dataReferenceIndex = 1;
    TimecodeFormat format;
    /// The entry carries a 'name' item (its text may be empty).
    bool hasReelName = false;
    std::string reelName;

    /// Parses a whole entry, its size and format included.
    static Result<TimecodeSampleEntry> parse(std::span<const std::uint8_t> entry);
    /// Writes the whole entry; the name is cut to kMaxReelNameBytes.
    void write(ByteWriter& writer) const;
    std::vector<std::uint8_t> bytes() const;
    friend bool operator==(const TimecodeSampleEntry&, const TimecodeSampleEntry&) = default;
};

} // namespace korvel::qtff
