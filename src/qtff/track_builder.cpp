// SPDX-License-Identifier: MIT
#include "qtff/track_builder.h"

#include "qtff/atoms/elst_atom.h"
#include "qtff/atoms/hdlr_atom.h"

#include <chrono>

namespace korvel::qtff {
namespace {

constexpr std::uint64_t kMacEpochOffset = 2082844800;

} // namespace

std::uint64_t macTimeNow() {
    const auto unix = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    return std::uint64_t(unix) + kMacEpochOffset;
}

Atom makeEdts(std::uint64_t duration) {
    const ElstAtom elst{versionFor({duration}), 0, {{duration, 0, 0x00010000}}};
    return Atom::box(fourCC("edts"), {toAtom(elst)});
}

Atom makeMediaHandler(FourCC subtype, std::string_view name) {
    return toAtom(HdlrAtom::named(fourCC("mhlr"), subtype, name));
}

Atom makeSelfDinf() {
    ByteWriter w;
    w.u32(0);
    w.u32(1);
    auto entry = w.beginFullAtom(fourCC("alis"), 0, 1); // flag 1: the data is in this file
    w.endAtom(entry);
    return Atom::box(fourCC("dinf"), {Atom::leaf(fourCC("dref"), w.take())});
}

Atom makeSelfDataHandler() {
    return toAtom(HdlrAtom::named(fourCC("dhlr"), fourCC("alis"), "Alias Data Handler"));
}

Atom makeQuickTimeFtyp() {
    ByteWriter w;
    w.fourCC(fourCC("qt  "));
    w.u32(0x00000200);
    w.fourCC(fourCC("qt  "));
    return Atom::leaf(fourCC("ftyp"), w.take());
}

} // namespace korvel::qtff
