// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// 'mdhd': the media's time scale and duration, its language and quality.
struct MdhdAtom {
    std::uint8_t version = 0;
    std::uint32_t flags = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t modificationTime = 0;
    std::uint32_t timeScale = 0;
    std::uint64_t duration = 0;
    std::uint16_t language = 0;
    std::uint16_t quality = 0;
    /// Bytes after the known fields, kept as they were.
    std::vector<std::uint8_t> extra;

    static constexpr FourCC type() { return fourCC("mdhd"); }
    static Result<MdhdAtom> parse(std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const MdhdAtom&, const MdhdAtom&) = default;
};

} // namespace korvel::qtff
