// SPDX-License-Identifier: MIT
#include "qtff/atoms/stsz_atom.h"

namespace korvel::qtff {

Result<StszAtom> StszAtom::parse(std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    StszAtom a;
    a.versionAndFlags = r.u32();
    a.uniformSize = r.u32();
    if (a.uniformSize != 0) {
        a.sampleCount = r.u32();
    } else {
        a.sizes.resize(r.count(4));
        a.sampleCount = std::uint32_t(a.sizes.size());
        for (auto& s : a.sizes)
            s = r.u32();
    }
    return r.finish(type(), std::move(a));
}

void StszAtom::write(ByteWriter& w) const {
    w.u32(versionAndFlags);
    w.u32(uniformSize);
    w.u32(uniformSize != 0 ? sampleCount : std::uint32_t(sizes.size()));
    for (auto s : sizes)
        w.u32(s);
}

} // namespace korvel::qtff
