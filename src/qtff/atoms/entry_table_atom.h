// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// A sample table atom that is a counted list of entries of N 32-bit fields ('stts', 'stsc',
/// 'stss', 'ctts'): read and written the same way, told apart by type.
template <FourCC Type, std::size_t N> struct EntryTableAtom {
    std::uint32_t versionAndFlags = 0;
    U32Entries<N> entries;

    static constexpr FourCC type() { return Type; }
    static Result<EntryTableAtom> parse(std::span<const std::uint8_t> payload) {
        FieldReader r(payload);
        EntryTableAtom a;
        a.versionAndFlags = r.u32();
        a.entries = readEntries<N>(r);
        return r.finish(type(), std::move(a));
    }
    void write(ByteWriter& w) const {
        w.u32(versionAndFlags);
        writeEntries(w, entries);
    }
    friend bool operator==(const EntryTableAtom&, const EntryTableAtom&) = default;
};

} // namespace korvel::qtff
