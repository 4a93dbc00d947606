// SPDX-License-Identifier: MIT
#include "qtff/atoms/elst_atom.h"

namespace korvel::qtff {

Result<ElstAtom> ElstAtom::parse(std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    ElstAtom a;
    a.version = r.u8();
    a.flags = r.u24();
    a.entries.resize(r.count(a.version == 1 ? 20 : 12));
    for (auto& e : a.entries) {
        e.segmentDuration = r.versioned(a.version);
        // The media time is signed: 32 bits sign-extended in version 0.
        const auto time = r.versioned(a.version);
        e.mediaTime = a.version == 1 ? std::int64_t(time) : std::int32_t(std::uint32_t(time));
        e.mediaRate = std::int32_t(r.u32());
    }
    return r.finish(type(), std::move(a));
}

void ElstAtom::write(ByteWriter& w) const {
    w.u8(version);
    w.u24(flags);
    w.u32(std::uint32_t(entries.size()));
    for (const auto& e : entries) {
        writeVersioned(w, version, e.segmentDuration);
        writeVersioned(w, version, std::uint64_t(e.mediaTime));
        w.s32(e.mediaRate);
    }
}

} // namespace korvel::qtff
