// SPDX-License-Identifier: MIT
#pragma once

// Builders for the atoms of a track and of a new movie, written the way QuickTime writes them
// (version-0 headers unless a duration needs 64 bits). The timecode track and the sound track of
// a new movie are both put together from these.

#include "qtff/atom.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace korvel::qtff {

/// Track header flags.
inline constexpr std::uint32_t kTrackEnabled = 0x1;
inline constexpr std::uint32_t kTrackInMovie = 0x2;
inline constexpr std::uint32_t kTrackInPreview = 0x4;
inline constexpr std::uint32_t kTrackInPoster = 0x8;

/// Seconds since 1904-01-01, the epoch of movie dates, for now.
std::uint64_t macTimeNow();

struct TrackHeaderFields {
    std::uint32_t trackId = 0;
    std::uint32_t flags = kTrackEnabled | kTrackInMovie | kTrackInPreview | kTrackInPoster;
    std::uint64_t duration = 0; // movie time scale
    std::uint16_t volume = 0;   // 8.8, 0x0100 for sound
    std::uint32_t width = 0;    // 16.16
    std::uint32_t height = 0;   // 16.16
    std::uint64_t creationTime = 0;
};

struct MovieHeaderFields {
    std::uint32_t timeScale = 600;
    std::uint64_t duration = 0;
    std::uint32_t nextTrackId = 1;
    std::uint64_t creationTime = 0;
};

Atom makeMvhd(const MovieHeaderFields& fields);
Atom makeTkhd(const TrackHeaderFields& fields);
/// 'edts' with one edit: the whole media from media time 0 at rate 1.
Atom makeEdts(std::uint64_t duration);
Atom makeMdhd(std::uint32_t timeScale, std::uint64_t duration, std::uint16_t language = 0,
              std::uint64_t creationTime = 0);
/// A handler reference: component type 'mhlr' (media) or 'dhlr' (data), subtype, and a name
/// stored as a Pascal string.
Atom makeHdlr(FourCC componentType, FourCC subtype, std::string_view name);
/// 'dinf' with one 'alis' entry that refers to the movie's own file.
Atom makeSelfDinf();
/// The data handler 'hdlr' that goes with `makeSelfDinf`.
Atom makeSelfDataHandler();
/// 'stsd' holding these whole entries (each starting with its size and format).
Atom makeStsd(std::span<const std::vector<std::uint8_t>> entries);
Atom makeStts(std::span<const std::array<std::uint32_t, 2>> entries);
Atom makeStsc(std::span<const std::array<std::uint32_t, 3>> entries);
Atom makeStszUniform(std::uint32_t sampleSize, std::uint32_t sampleCount);
/// 'stco', or 'co64' when an offset does not fit 32 bits.
Atom makeChunkOffsets(std::span<const std::uint64_t> offsets);
/// 'ftyp' of a QuickTime movie (major and compatible brand 'qt  ').
Atom makeQuickTimeFtyp();

} // namespace korvel::qtff
