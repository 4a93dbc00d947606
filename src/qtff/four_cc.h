// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace korvel::qtff {

/// A four-character code (atom type, handler type, sample format) as the big-endian 32-bit
/// number files store.
using FourCC = std::uint32_t;

constexpr FourCC fourCC(const char (&text)[5]) {
    return (FourCC(std::uint8_t(text[0])) << 24) | (FourCC(std::uint8_t(text[1])) << 16) |
           (FourCC(std::uint8_t(text[2])) << 8) | FourCC(std::uint8_t(text[3]));
}

/// The code as four characters, bytes outside printable ASCII written as '?'.
inline std::string fourCCText(FourCC code) {
    std::string text(4, '?');
    for (int i = 0; i < 4; ++i) {
        const auto c = char((code >> (24 - 8 * i)) & 0xFF);
        if (c >= 0x20 && c < 0x7F)
            text[std::size_t(i)] = c;
    }
    return text;
}

} // namespace korvel::qtff
