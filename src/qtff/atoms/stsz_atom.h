// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// 'stsz': the size of each sample, or one size for all of them.
struct StszAtom {
    std::uint32_t versionAndFlags = 0;
    /// Every sample's size when not 0; then `sizes` is empty.
    std::uint32_t uniformSize = 0;
    std::uint32_t sampleCount = 0;
    std::vector<std::uint32_t> sizes;

    static constexpr FourCC type() { return fourCC("stsz"); }
    static Result<StszAtom> parse(std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const StszAtom&, const StszAtom&) = default;
};

} // namespace korvel::qtff
