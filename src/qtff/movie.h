// SPDX-License-Identifier: MIT
#pragma once

// The movie model: the header atom ('moov') of a movie with typed views of what the timecode
// operations need. The model reads fields from the atoms on demand and edits the atom tree in
// place, so whatever it does not interpret is kept byte for byte.

#include "base/result.h"
#include "qtff/atom.h"
#include "qtff/atoms/elst_atom.h"
#include "qtff/atoms/mvhd_atom.h"
#include "qtff/atoms/stsd_atom.h"
#include "qtff/atoms/track_reference_atom.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace korvel::qtff {

/// One track as its atoms describe it. Times are in the movie's time scale (track) or the
/// media's (media); width and height are 16.16 fixed point.
struct TrackInfo {
    std::uint32_t trackId = 0;
    std::uint32_t flags = 0;
    std::uint64_t duration = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t volume = 0;
    FourCC handlerType = 0;
    std::uint32_t mediaTimeScale = 0;
    std::uint64_t mediaDuration = 0;
    std::vector<SampleDescription> sampleDescriptions;
    std::vector<EditListEntry> edits;
    std::vector<TrackReferenceAtom> references;
    /// Time-to-sample entries (count, duration) and sample-to-chunk entries (first chunk,
    /// samples per chunk, description index).
    std::vector<std::array<std::uint32_t, 2>> timeToSample;
    std::vector<std::array<std::uint32_t, 3>> sampleToChunk;
    std::uint32_t sampleCount = 0;
    std::uint32_t uniformSampleSize = 0;
    std::vector<std::uint64_t> chunkOffsets;
    bool chunkOffsets64 = false;
    bool hasUserData = false;

    bool enabled() const { return (flags & 1) != 0; }
};

/// How much of a track `readTrackInfo` reads: everything; everything checked but the per-sample
/// and per-chunk tables left out; or only its header and handler. Long movies have megabytes of
/// tables.
enum class TrackDetail { Full, Check, Header };

class Movie {
  public:
    /// Parses a whole 'moov' atom (header included).
    static Result<Movie> parse(std::span<const std::uint8_t> moovBytes);
    explicit Movie(Atom moov) : m_moov(std::move(moov)) {}

    const Atom& moov() const { return m_moov; }
    Atom& moov() { return m_moov; }
    std::vector<std::uint8_t> bytes() const { return atomBytes(m_moov); }

    Result<MvhdAtom> header() const;
    Status setNextTrackId(std::uint32_t id);
    Result<std::vector<TrackInfo>> tracks(TrackDetail detail = TrackDetail::Full) const;

    /// The header holds a compressed movie ('cmov') or belongs to a fragmented movie ('mvex').
    bool isCompressed() const { return m_moov.child(fourCC("cmov")) != nullptr; }
    bool isFragmented() const { return m_moov.child(fourCC("mvex")) != nullptr; }

    /// The 'trak' atoms in order.
    std::vector<Atom*> trackAtoms();
    std::vector<const Atom*> trackAtoms() const;
    /// Appends a track after the last existing one (before user data and other trailing atoms).
    void appendTrack(Atom trak);
    /// Removes the tracks with these IDs and every reference to them; answers how many went.
    int removeTracks(std::span<const std::uint32_t> trackIds);

  private:
    Atom m_moov;
};

Result<TrackInfo> readTrackInfo(const Atom& trak, TrackDetail detail = TrackDetail::Full);

/// Calls `visit` with every chunk offset of every track ('stco' and 'co64'); tables that do not
/// read are passed over.
void forEachChunkOffset(const Movie& movie, const std::function<void(std::uint64_t)>& visit);
/// The handler type of a 'trak' atom ('vide', 'soun', 'tmcd', ...), 0 when it has none.
FourCC trackHandlerType(const Atom& trak);
std::uint32_t trackId(const Atom& trak);

/// Adds `targetId` to the reference list of that type in the track, creating 'tref' and the list
/// as needed.
void addTrackReference(Atom& trak, FourCC type, std::uint32_t targetId);

} // namespace korvel::qtff
