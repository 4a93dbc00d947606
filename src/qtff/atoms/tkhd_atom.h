// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/mvhd_atom.h"

namespace korvel::qtff {

/// Track header flags.
inline constexpr std::uint32_t kTrackEnabled = 0x1;
inline constexpr std::uint32_t kTrackInMovie = 0x2;
inline constexpr std::uint32_t kTrackInPreview = 0x4;
inline constexpr std::uint32_t kTrackInPoster = 0x8;

/// 'tkhd': the track's ID, flags, duration (movie time scale), volume and picture size.
struct TkhdAtom {
    std::uint8_t version = 0;
    std::uint32_t flags = kTrackEnabled | kTrackInMovie | kTrackInPreview | kTrackInPoster;
    std::uint64_t creationTime = 0;
    std::uint64_t modificationTime = 0;
    std::uint32_t trackId = 0;
    std::uint32_t reserved = 0;
    std::uint64_t duration = 0;
    std::array<std::uint8_t, 8> reserved2{};
    std::uint16_t layer = 0;
    std::uint16_t alternateGroup = 0;
    std::uint16_t volume = 0; // 8.8, 0x0100 for sound
    std::uint16_t reserved3 = 0;
    std::array<std::uint32_t, 9> matrix = kIdentityMatrix;
    std::uint32_t width = 0;  // 16.16
    std::uint32_t height = 0; // 16.16
    /// Bytes after the known fields, kept as they were.
    std::vector<std::uint8_t> extra;

    bool enabled() const { return (flags & kTrackEnabled) != 0; }

    static constexpr FourCC type() { return fourCC("tkhd"); }
    static Result<TkhdAtom> parse(std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const TkhdAtom&, const TkhdAtom&) = default;
};

} // namespace korvel::qtff
