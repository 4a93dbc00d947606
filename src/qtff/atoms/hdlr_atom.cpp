// SPDX-License-Identifier: MIT
#include "qtff/atoms/hdlr_atom.h"

namespace korvel::qtff {

HdlrAtom HdlrAtom::named(FourCC componentType, FourCC subtype, std::string_view name) {
    ByteWriter pascal;
    pascal.pascalString(name);
    return {0, componentType, subtype, 0, 0, 0, pascal.take()};
}

Result<HdlrAtom> HdlrAtom::parse(std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    HdlrAtom a;
    a.versionAndFlags = r.u32();
    a.componentType = r.u32();
    a.subtype = r.u32();
    a.manufacturer = r.u32();
    a.componentFlags = r.u32();
    a.componentFlagsMask = r.u32();
    a.name = r.rest();
    return r.finish(type(), std::move(a));
}

void HdlrAtom::write(ByteWriter& w) const {
    w.u32(versionAndFlags);
    w.fourCC(componentType);
    w.fourCC(subtype);
    w.fourCC(manufacturer);
    w.u32(componentFlags);
    w.u32(componentFlagsMask);
    w.bytes(name);
}

} // namespace korvel::qtff
