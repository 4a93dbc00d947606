// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvel {

/// The 24 fps timecode of a 30 fps timecode text: the frame field (positions 9 and 10) becomes
/// the nearest 24 fps frame (frame x 4/5); positions 0 to 8 stay as they are and anything after
/// position 10 is dropped. Nothing when the text is shorter than eleven characters or its frame
/// field is not 00 to 29.
std::optional<std::string> tc30totc24(std::string_view tcValue);

} // namespace korvel
