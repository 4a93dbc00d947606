// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// One sample description entry, kept whole: what it holds after the data reference index
/// depends on the media (see TimecodeSampleEntry for the timecode's).
struct SampleDescription {
    FourCC format = 0;
    std::uint16_t dataReferenceIndex = 0;
    /// The whole entry, its size and format included.
    std::vector<std::uint8_t> bytes;

    friend bool operator==(const SampleDescription&, const SampleDescription&) = default;
};

/// 'stsd': the sample descriptions of a track.
struct StsdAtom {
    std::uint32_t versionAndFlags = 0;
    std::vector<SampleDescription> entries;

    /// An 'stsd' holding these whole entries (each starting with its size and format).
    static StsdAtom of(std::vector<std::vector<std::uint8_t>> entries);

    static constexpr FourCC type() { return fourCC("stsd"); }
    static Result<StsdAtom> parse(std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const StsdAtom&, const StsdAtom&) = default;
};

} // namespace korvel::qtff
