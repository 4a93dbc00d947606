// SPDX-License-Identifier: MIT
#include "qtff/atoms/chunk_offset_atom.h"

#include <algorithm>

namespace korvel::qtff {

ChunkOffsetAtom ChunkOffsetAtom::of(std::vector<std::uint64_t> offsets) {
    const bool wide = std::any_of(offsets.begin(), offsets.end(),
                                  [](std::uint64_t o) { return o > 0xFFFFFFFFu; });
    return {wide, 0, std::move(offsets)};
}

Result<ChunkOffsetAtom> ChunkOffsetAtom::parse(FourCC type, std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    ChunkOffsetAtom a;
    a.wide = type == fourCC("co64");
    a.versionAndFlags = r.u32();
    a.offsets.resize(r.count(a.wide ? 8 : 4));
    for (auto& o : a.offsets)
        o = a.wide ? r.u64() : r.u32();
    return r.finish(type, std::move(a));
}

void ChunkOffsetAtom::write(ByteWriter& w) const {
    w.u32(versionAndFlags);
    w.u32(std::uint32_t(offsets.size()));
    for (auto o : offsets) {
        if (wide)
            w.u64(o);
        else
            w.u32(std::uint32_t(o));
    }
}

} // namespace korvel::qtff
