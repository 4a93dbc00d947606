// SPDX-License-Identifier: MIT
#include "qtff/atoms/mvhd_atom.h"

namespace korvel::qtff {

Result<MvhdAtom> MvhdAtom::parse(std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    MvhdAtom a;
    readHeaderStart(r, a);
    a.timeScale = r.u32();
    a.duration = r.versioned(a.version);
    a.rate = r.u32();
    a.volume = r.u16();
    a.reserved = r.bytes<10>();
    a.matrix = r.u32s<9>();
    a.previewToCurrentTime = r.u32s<6>();
    a.nextTrackId = r.u32();
    a.extra = r.rest();
    return r.finish(type(), std::move(a));
}

void MvhdAtom::write(ByteWriter& w) const {
    writeHeaderStart(w, *this);
    w.u32(timeScale);
    writeVersioned(w, version, duration);
    w.u32(rate);
    w.u16(volume);
    w.bytes(reserved);
    for (auto v : matrix)
        w.u32(v);
    for (auto v : previewToCurrentTime)
        w.u32(v);
    w.u32(nextTrackId);
    w.bytes(extra);
}

} // namespace korvel::qtff
