// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace korvel::viewer {

/// A time as a count of units of a time scale (units per second).
/// Products of two 64-bit times overflow 64 bits.
__extension__ typedef __int128 WideInt;

struct MediaTime {
    std::int64_t value = 0;
    std::int32_t scale = 1;
};

/// `value` units of `from` per second in units of `to`, rounded toward minus infinity.
inline std::int64_t rescale(std::int64_t value, std::int64_t from, std::int64_t to) {
    if (from <= 0)
        return 0;
    const WideInt product = static_cast<WideInt>(value) * to;
    WideInt quotient = product / from;
    if (product % from != 0 && product < 0)
        --quotient;
    return static_cast<std::int64_t>(quotient);
}

} // namespace korvel::viewer
