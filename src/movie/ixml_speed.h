// SPDX-License-Identifier: MIT
#pragma once

#include "timecode/tv_system.h"

#include <optional>
#include <string>
#include <string_view>

namespace korvel {

/// The timecode rate a recorder wrote in a BWF file's iXML chunk (SPEED/TIMECODE_RATE, a
/// fraction such as "24000/1001", and SPEED/TIMECODE_FLAG, "DF" or "NDF").
struct RecorderRate {
    Rational rate;
    bool dropFrame = false;

    /// As the file writes it: "24000/1001 NDF".
    std::string text() const;
    friend bool operator==(const RecorderRate&, const RecorderRate&) = default;
};

/// The recorder's rate in the text of an iXML chunk; nothing when there is no SPEED element with
/// a TIMECODE_RATE of two positive whole numbers of at most nine digits. A flag other than "DF"
/// counts as non-drop. Only the text between <SPEED> and the first </SPEED> after it is read.
std::optional<RecorderRate> parseRecorderRate(std::string_view ixml);

} // namespace korvel
