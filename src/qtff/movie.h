// SPDX-License-Identifier: MIT
#pragma once

// The movie model: the header atom ('moov') of a movie with typed views of what the timecode
// operations need. The model reads fields from the atoms on demand and edits the atom tree in
// place, so whatever it does not interpret is kept byte for byte.

#include "base/result.h"
#include "qtff/atom.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace korvel::qtff {

struct MovieHeader {
    std::uint32_t timeScale = 0;
    std::uint64_t duration = 0;
    std::uint32_t nextTrackId = 0;
};

struct SampleDescription {
    FourCC format = 0;
    std::uint16_t dataReferenceIndex = 0;
    /// The whole entry, its size and format included.
    std::vector<std::uint8_t> bytes;
};

struct EditListEntry {
    std::uint64_t segmentDuration = 0;
    std::int64_t mediaTime = 0;
    std::int32_t mediaRate = 0x00010000;
};

struct TrackReference {
    FourCC type = 0;
    std::vector<std::uint32_t> trackIds;
};

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
    std::vector<TrackReference> references;
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

    Result<MovieHeader> header() const;
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

/// Calls `visit` with every chunk offset of every track ('stco' and 'co64'), without copying
/// the tables.
template <class Visit> void forEachChunkOffset(const Movie& movie, Visit&& visit);
/// The handler type of a 'trak' atom ('vide', 'soun', 'tmcd', ...), 0 when it has none.
FourCC trackHandlerType(const Atom& trak);
std::uint32_t trackId(const Atom& trak);

/// Adds `targetId` to the reference list of that type in the track, creating 'tref' and the list
/// as needed.
void addTrackReference(Atom& trak, FourCC type, std::uint32_t targetId);

template <class Visit> void forEachChunkOffset(const Movie& movie, Visit&& visit) {
    for (const auto* trak : movie.trackAtoms()) {
        const auto* stbl = trak->find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")});
        if (!stbl)
            continue;
        for (const auto& table : stbl->children) {
            const bool wide = table.type == fourCC("co64");
            if ((!wide && table.type != fourCC("stco")) || table.payload.size() < 8)
                continue;
            const auto* p = table.payload.data();
            const std::size_t entry = wide ? 8 : 4;
            const std::size_t count =
                std::min<std::size_t>((p[4] << 24 | p[5] << 16 | p[6] << 8 | p[7]) & 0xFFFFFFFFu,
                                      (table.payload.size() - 8) / entry);
            for (std::size_t i = 0; i < count; ++i) {
                const auto* e = p + 8 + i * entry;
                std::uint64_t v = 0;
                for (std::size_t b = 0; b < entry; ++b)
                    v = (v << 8) | e[b];
                visit(v);
            }
        }
    }
}

} // namespace korvel::qtff
