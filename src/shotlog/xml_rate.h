// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string_view>

namespace korvel {

/// The frame rate an XML list declares: frames per timecode second, whether the media runs at
/// the NTSC rate (timebase x 1000/1001), and whether its timecode counts drop frame.
struct XmlRate {
    int timebase = 0;
    bool ntsc = false;
    bool dropFrame = false;
};

/// The XML rate of a BWF frame-rate choice ("PAL" 25, "NTSC DF" and "NTSC NDF" 30 NTSC, "24 fps"
/// 24); nothing for any other text. Every XML list takes its rate from here.
std::optional<XmlRate> xmlRateOfBwfFpsRate(std::string_view bwfFpsRate);

} // namespace korvel
