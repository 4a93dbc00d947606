// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

template <std::size_t N> using U32Entries = std::vector<std::array<std::uint32_t, N>>;

/// A sample table atom that is a counted list of entries of N 32-bit fields: the four below are
/// read and written the same way and told apart by type.
template <FourCC Type, std::size_t N> struct EntryTableAtom {
    std::uint32_t versionAndFlags = 0;
    U32Entries<N> entries;

    static constexpr FourCC type() { return Type; }
    static Result<EntryTableAtom> parse(std::span<const std::uint8_t> payload) {
        ByteReader r(payload);
        EntryTableAtom a;
        a.versionAndFlags = r.u32();
        a.entries.resize(r.count(4 * N));
        for (auto& e : a.entries)
            e = r.u32s<N>();
        return r.finish(type(), std::move(a));
    }
    void write(ByteWriter& w) const {
        w.u32(versionAndFlags);
        w.u32(std::uint32_t(entries.size()));
        for (const auto& e : entries)
            for (auto v : e)
                w.u32(v);
    }
    friend bool operator==(const EntryTableAtom&, const EntryTableAtom&) = default;
};

/// 'stts': when each sample plays, as runs of samples of one duration. Entries: sample count,
/// duration (media time scale).
using SttsAtom = EntryTableAtom<fourCC("stts"), 2>;
/// 'stsc': which samples each chunk holds, as runs of chunks alike. Entries: first chunk (from 1),
/// samples per chunk, sample description index (from 1).
using StscAtom = EntryTableAtom<fourCC("stsc"), 3>;
/// 'stss': the samples that decode on their own; without it, every sample does. Entries: sample
/// numbers, from 1.
using StssAtom = EntryTableAtom<fourCC("stss"), 1>;
/// 'ctts': how long after its decode time each sample is shown. Entries: sample count, offset
/// (read as signed whatever the version, as players do).
using CttsAtom = EntryTableAtom<fourCC("ctts"), 2>;

} // namespace korvel::qtff
