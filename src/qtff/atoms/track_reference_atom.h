// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// One list inside 'tref': the tracks this track refers to for one purpose (the atom's type:
/// 'tmcd', 'chap', 'sync', ...).
struct TrackReferenceAtom {
    FourCC type = 0;
    std::vector<std::uint32_t> trackIds;

    /// Fails unless the payload is whole track IDs.
    static Result<TrackReferenceAtom> parse(FourCC type, std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const TrackReferenceAtom&, const TrackReferenceAtom&) = default;
};

} // namespace korvel::qtff
