// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

/// The start timecode of a BWF recording: the sample position `sampleNumber` at `sampleRate`
/// samples per second, written in the frame rate named by `bwfFpsRate` ("PAL", "NTSC DF",
/// "NTSC NDF" or "24 fps"; any other text gives 00:00:00:00).
///
/// "NTSC DF" rounds to the nearest frame; the other rates count down by repeated subtraction and
/// truncate. Hours wrap after 23 under every rate, so the text is always a time of day
/// (00:51:18:12, not 24:51:18:12). A sample rate too low to hold one frame per second answers
/// 00:00:00:00 at once.
std::string frames2tc(std::uint64_t sampleNumber, std::int32_t sampleRate,
                      std::string_view bwfFpsRate);

} // namespace korvel
