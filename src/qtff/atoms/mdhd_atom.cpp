// SPDX-License-Identifier: MIT
#include "qtff/atoms/mdhd_atom.h"

namespace korvel::qtff {

Result<MdhdAtom> MdhdAtom::parse(std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    MdhdAtom a;
    readHeaderStart(r, a);
    a.timeScale = r.u32();
    a.duration = r.versioned(a.version);
    a.language = r.u16();
    a.quality = r.u16();
    a.extra = r.rest();
    return r.finish(type(), std::move(a));
}

void MdhdAtom::write(ByteWriter& w) const {
    writeHeaderStart(w, *this);
    w.u32(timeScale);
    writeVersioned(w, version, duration);
    w.u16(language);
    w.u16(quality);
    w.bytes(extra);
}

} // namespace korvel::qtff
