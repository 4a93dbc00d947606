// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// 'stco' (32-bit offsets) or 'co64' (64-bit): where in the file each chunk starts.
struct ChunkOffsetAtom {
    bool wide = false;
    std::uint32_t versionAndFlags = 0;
    std::vector<std::uint64_t> offsets;

    /// The table for these offsets: 'stco' unless one needs 64 bits.
    static ChunkOffsetAtom of(std::vector<std::uint64_t> offsets);

    FourCC type() const { return wide ? fourCC("co64") : fourCC("stco"); }
    static Result<ChunkOffsetAtom> parse(FourCC type, std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const ChunkOffsetAtom&, const ChunkOffsetAtom&) = default;
};

/// The chunk offset table of a sample table ('stbl'), or null.
template <class StblAtom> auto* chunkOffsetTable(StblAtom& stbl) {
    auto* table = stbl.child(fourCC("stco"));
    return table ? table : stbl.child(fourCC("co64"));
}

} // namespace korvel::qtff
