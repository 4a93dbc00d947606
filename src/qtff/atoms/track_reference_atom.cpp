// SPDX-License-Identifier: MIT
#include "qtff/atoms/track_reference_atom.h"

namespace korvel::qtff {

Result<TrackReferenceAtom> TrackReferenceAtom::parse(FourCC type,
                                                     std::span<const std::uint8_t> payload) {
    if (payload.size() % 4 != 0)
        return makeError("'" + fourCCText(type) + "' track reference holds a partial track ID");
    ByteReader r(payload);
    TrackReferenceAtom a{type, std::vector<std::uint32_t>(payload.size() / 4)};
    for (auto& id : a.trackIds)
        id = r.u32();
    return a;
}

void TrackReferenceAtom::write(ByteWriter& w) const {
    for (auto id : trackIds)
        w.u32(id);
}

} // namespace korvel::qtff
