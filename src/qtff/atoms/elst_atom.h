// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// One edit: `segmentDuration` of movie time plays the media from `mediaTime` (-1: nothing, an
/// empty edit) at `mediaRate` (16.16).
struct EditListEntry {
    std::uint64_t segmentDuration = 0;
    std::int64_t mediaTime = 0;
    std::int32_t mediaRate = 0x00010000;

    friend bool operator==(const EditListEntry&, const EditListEntry&) = default;
};

/// 'elst': the edits that map a track's time onto its media. Version 1 stores durations and
/// media times in 64 bits.
struct ElstAtom {
    std::uint8_t version = 0;
    std::uint32_t flags = 0;
    std::vector<EditListEntry> entries;

    static constexpr FourCC type() { return fourCC("elst"); }
    static Result<ElstAtom> parse(std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const ElstAtom&, const ElstAtom&) = default;
};

} // namespace korvel::qtff
