// SPDX-License-Identifier: MIT
#pragma once

#include "timecode/bwf_frame_rate.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

/// The start timecode of a BWF recording: the sample position `sampleNumber` at `sampleRate`
/// samples per second, written in the frame rate `rate` ("From recorder", unresolved, counts as
/// PAL).
///
/// "NTSC DF" rounds to the nearest frame; "PAL", "NTSC NDF" and "24 fps" count down by repeated
/// subtraction and truncate, as they always have. The other rates take the frame the sample
/// falls in, exactly. Hours wrap after 23 under every rate, so the text is always a time of day
/// (00:51:18:12, not 24:51:18:12). A sample rate too low to hold one frame per second answers
/// 00:00:00:00 at once.
std::string frames2tc(std::uint64_t sampleNumber, std::int32_t sampleRate, BwfFrameRate rate);
/// As above for the rate named by a "BWFfpsRate" text; any other text gives 00:00:00:00.
std::string frames2tc(std::uint64_t sampleNumber, std::int32_t sampleRate,
                      std::string_view bwfFpsRate);

} // namespace korvel
