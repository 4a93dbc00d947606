// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

/// The unit matrix of movie and track headers (16.16, the last column 2.30).
inline constexpr std::array<std::uint32_t, 9> kIdentityMatrix{
    0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};

/// 'mvhd': the movie's time scale, duration and the ID its next track gets. Times count
/// seconds since 1904; version 1 stores them and the duration in 64 bits.
struct MvhdAtom {
    std::uint8_t version = 0;
    std::uint32_t flags = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t modificationTime = 0;
    std::uint32_t timeScale = 600;
    std::uint64_t duration = 0;
    std::uint32_t rate = 0x00010000; // 16.16
    std::uint16_t volume = 0x0100;   // 8.8
    std::array<std::uint8_t, 10> reserved{};
    std::array<std::uint32_t, 9> matrix = kIdentityMatrix;
    /// Preview time and duration, poster time, selection time and duration, current time.
    std::array<std::uint32_t, 6> previewToCurrentTime{};
    std::uint32_t nextTrackId = 1;
    /// Bytes after the known fields, kept as they were.
    std::vector<std::uint8_t> extra;

    static constexpr FourCC type() { return fourCC("mvhd"); }
    static Result<MvhdAtom> parse(std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const MvhdAtom&, const MvhdAtom&) = default;
};

} // namespace korvel::qtff
