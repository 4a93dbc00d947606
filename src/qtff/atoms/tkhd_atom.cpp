// SPDX-License-Identifier: MIT
#include "qtff/atoms/tkhd_atom.h"

namespace korvel::qtff {

Result<TkhdAtom> TkhdAtom::parse(std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    TkhdAtom a;
    readHeaderStart(r, a);
    a.trackId = r.u32();
    a.reserved = r.u32();
    a.duration = r.versioned(a.version);
    a.reserved2 = r.bytes<8>();
    a.layer = r.u16();
    a.alternateGroup = r.u16();
    a.volume = r.u16();
    a.reserved3 = r.u16();
    a.matrix = r.u32s<9>();
    a.width = r.u32();
    a.height = r.u32();
    a.extra = r.rest();
    return r.finish(type(), std::move(a));
}

void TkhdAtom::write(ByteWriter& w) const {
    writeHeaderStart(w, *this);
    w.u32(trackId);
    w.u32(reserved);
    writeVersioned(w, version, duration);
    w.bytes(reserved2);
    w.u16(layer);
    w.u16(alternateGroup);
    w.u16(volume);
    w.u16(reserved3);
    for (auto v : matrix)
        w.u32(v);
    w.u32(width);
    w.u32(height);
    w.bytes(extra);
}

} // namespace korvel::qtff
