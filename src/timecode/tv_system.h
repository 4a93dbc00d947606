// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel {

/// The three video standards the tool works in. NTSC counts 30 frames per timecode second at
/// 29.97 frames per second, with or without drop frame.
enum class TvSystem { Pal, Ntsc, Film24 };

/// The stored option text of a TV system: "PAL", "NTSC" or "24 fps".
std::string_view tvSystemName(TvSystem system);

/// The TV system named by an option text, compared exactly; nothing for any other text.
std::optional<TvSystem> tvSystemFromName(std::string_view name);

/// Frames per timecode second: 25, 30 or 24.
int framesPerSecond(TvSystem system);

/// Flag bits of a timecode definition, as movie files store them.
inline constexpr std::int32_t kTcDropFrame = 1;
inline constexpr std::int32_t kTc24HourMax = 2;

/// A timecode track's definition: flags, time units per second, time units per frame and frames
/// per timecode second.
struct TimeCodeDef {
    std::int32_t flags = 0;
    std::int32_t fTimeScale = 0;
    std::int32_t frameDuration = 0;
    std::uint8_t numFrames = 0;
    std::uint8_t padding = 0;

    bool dropFrame() const { return (flags & kTcDropFrame) != 0; }
    friend bool operator==(const TimeCodeDef&, const TimeCodeDef&) = default;
};

/// The definition the tool writes for a TV system: hours always wrap after 23 (flag 2), and drop
/// frame (flag 1) is set only for NTSC with `dropFrame` on.
TimeCodeDef timeCodeDef(TvSystem system, bool dropFrame);

} // namespace korvel
