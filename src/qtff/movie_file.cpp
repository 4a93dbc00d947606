// SPDX-License-Identifier: MIT
#include "qtff/movie_file.h"

#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/byte_reader.h"
#include "qtff/track_builder.h"

#include <algorithm>

namespace korvel::qtff {
namespace {

constexpr FourCC kMoov = fourCC("moov");
constexpr FourCC kFree = fourCC("free");
constexpr FourCC kMdat = fourCC("mdat");
// A movie header beyond this is not something this tool has to edit; the cap keeps a hostile
// file from making us allocate its whole claimed size.
constexpr std::uint64_t kMaxHeaderSize = 256ull << 20;

std::array<std::uint8_t, 4> bigEndian(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

std::array<std::uint8_t, 8> atomHeader(std::uint32_t size, FourCC type) {
    std::array<std::uint8_t, 8> header{};
    std::ranges::copy(bigEndian(size), header.begin());
    std::ranges::copy(bigEndian(type), header.begin() + 4);
    return header;
}

// The 'moov' atom at `at`, parsed.
Result<Movie> readHeader(RandomAccessFile& file, const TopLevelAtom& at) {
    if (at.size > kMaxHeaderSize)
        return makeError("the movie header is too large");
    auto bytes = file.read(at.offset, std::size_t(at.size));
    if (!bytes)
        return bytes.error();
    if (at.sizeToEnd) {
        // Stored size 0: parse it as if its real size were written.
        std::ranges::copy(bigEndian(std::uint32_t(at.size)), bytes->begin());
    }
    auto movie = Movie::parse(*bytes);
    if (!movie)
        return makeError("damaged movie header: " + movie.error().message);
    return movie;
}

struct Region {
    std::size_t first = 0; // index of the first atom of the run
    std::size_t count = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// Space holding nothing the movie uses: 'free'/'skip' atoms and media atoms that no chunk of the
// movie starts in (left by earlier updates). Runs of them are one region.
std::vector<Region> reusableRegions(const FileLayout& layout, std::size_t moovIndex,
                                    const Movie& movie) {
    std::vector<std::size_t> candidates; // atom indexes, in file order
    for (std::size_t i = 0; i < layout.atoms.size(); ++i) {
        const auto& a = layout.atoms[i];
        if ((a.type == kFree || a.type == fourCC("skip") || a.type == kMdat) && !a.sizeToEnd &&
            i != moovIndex) {
            candidates.push_back(i);
        }
    }
    std::vector<bool> live(candidates.size(), false);
    if (!candidates.empty()) {
        forEachChunkOffset(movie, [&](std::uint64_t offset) {
            auto it = std::upper_bound(
                candidates.begin(), candidates.end(), offset,
                [&](std::uint64_t o, std::size_t i) { return o < layout.atoms[i].offset; });
            if (it == candidates.begin())
                return;
            const auto& a = layout.atoms[*(it - 1)];
            if (offset < a.offset + a.size)
                live[std::size_t(it - 1 - candidates.begin())] = true;
        });
    }
    std::vector<Region> regions;
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (live[c])
            continue;
        const auto i = candidates[c];
        const auto& a = layout.atoms[i];
        if (!regions.empty() && regions.back().first + regions.back().count == i) {
            regions.back().count++;
            regions.back().size += a.size;
        } else {
            regions.push_back({i, 1, a.offset, a.size});
        }
    }
    return regions;
}

// What an update stores: the new media atom (none when there is no new media), then the header.
// Written piece by piece, so the header is never copied.
struct NewBlob {
    std::vector<std::uint8_t> media;
    std::vector<std::uint8_t> moov;

    std::uint64_t size() const { return media.size() + moov.size(); }
    // The header of the blob's first atom.
    std::array<std::uint8_t, 8> firstHeader() const {
        std::array<std::uint8_t, 8> header{};
        std::copy_n(media.empty() ? moov.begin() : media.begin(), 8, header.begin());
        return header;
    }
};

// Writes the blob's bytes from `from` on at `base` + `from`.
Status writeBlob(RandomAccessFile& file, const NewBlob& blob, std::uint64_t base,
                 std::size_t from) {
    if (from < blob.media.size()) {
        if (auto s = file.write(base + from, std::span(blob.media).subspan(from)); !s)
            return s;
        from = blob.media.size();
    }
    return file.write(base + from, std::span(blob.moov).subspan(from - blob.media.size()));
}

Status writeAndFlush(RandomAccessFile& file, std::uint64_t offset,
                     std::span<const std::uint8_t> data) {
    if (auto s = file.write(offset, data); !s)
        return s;
    return file.flush();
}

// Puts the blob into free space, all but its first header; while the run reads as one 'free'
// atom nothing in it is visible. With `showIt`, the first header follows, making the new atoms
// visible (they lie after the old header, so readers still find the old one first).
Status writeIntoRegion(RandomAccessFile& file, const Region& region, const TopLevelAtom& first,
                       const NewBlob& blob, bool showIt) {
    const auto regionSize = std::uint32_t(region.size);
    // Make the run one 'free' atom first, so that its inside may be overwritten.
    if (region.count > 1 || first.type != kFree || first.headerSize != 8) {
        if (auto s = writeAndFlush(file, region.offset, atomHeader(regionSize, kFree)); !s)
            return s;
    }
    // Everything but the first header, and a 'free' atom for what is left over.
    if (auto s = writeBlob(file, blob, region.offset, 8); !s)
        return s;
    if (region.size > blob.size()) {
        const auto rest = atomHeader(std::uint32_t(region.size - blob.size()), kFree);
        if (auto s = file.write(region.offset + blob.size(), rest); !s)
            return s;
    }
    if (auto s = file.flush(); !s)
        return s;
    return showIt ? writeAndFlush(file, region.offset, blob.firstHeader()) : Status();
}

// Takes back an append that failed before the new header was live (a full disk, say): the file
// is cut back to its old size, so it is byte for byte what it was.
Error takeBackAppend(RandomAccessFile& file, std::uint64_t oldSize, Error why) {
    auto cut = file.truncate(oldSize);
    if (cut)
        cut = file.flush();
    if (!cut)
        why.message += "; the partly written new header could not be cut off again (" +
                       cut.error().message + ")";
    return why;
}

// A failure after the new header became live: the movie is changed, but perhaps not on the disk.
Error afterCommit(Error why) {
    why.kind = ErrorKind::Unconfirmed;
    return why;
}

// Where the new blob goes: in reused space, or appended at `end`.
struct Placement {
    std::optional<Region> region;
    std::uint64_t end = 0;
};

// Stores the blob, then makes it the movie's header by one small write (the commit) and frees
// the old header. Every step is flushed before the next, so that a power cut leaves the old or
// the new movie whatever subset of the unflushed writes reached the disk.
Status storeBlob(RandomAccessFile& file, const FileLayout& layout, const Placement& place,
                 const TopLevelAtom& oldMoov, const NewBlob& blob) {
    const bool newComesFirst = place.region && place.region->offset < oldMoov.offset;
    if (place.region) {
        if (auto s = writeIntoRegion(file, *place.region, layout.atoms[place.region->first], blob,
                                     !newComesFirst);
            !s) {
            return s;
        }
    } else {
        auto s = writeBlob(file, blob, place.end, 0);
        if (s)
            s = file.flush();
        if (!s)
            return takeBackAppend(file, layout.fileSize, s.error());
    }
    const auto freeType = bigEndian(kFree);
    auto commit = newComesFirst ? file.write(place.region->offset, blob.firstHeader())
                                : file.write(oldMoov.offset + 4, freeType);
    if (!commit)
        return place.region ? commit.error()
                            : takeBackAppend(file, layout.fileSize, commit.error());
    if (auto s = file.flush(); !s)
        return afterCommit(s.error());
    if (newComesFirst) {
        if (auto s = writeAndFlush(file, oldMoov.offset + 4, freeType); !s)
            return afterCommit(s.error());
    }
    return {};
}

// The smallest region the blob fills exactly or with room for a 'free' atom after it.
std::optional<Region> smallestFit(const std::vector<Region>& regions, std::uint64_t blob) {
    std::optional<Region> best;
    for (const auto& r : regions) {
        if (r.size > 0xFFFFFFFFu)
            continue;
        if ((r.size == blob || r.size >= blob + 8) && (!best || r.size < best->size))
            best = r;
    }
    return best;
}

// The header's size can depend on where the media lands (32- or 64-bit chunk offsets), so a
// place is chosen until the choice is stable; after a few rounds, the end of the file, which
// always fits.
Result<Placement> placeNewHeader(const std::vector<Region>& regions, std::uint64_t end,
                                 std::uint64_t mediaAtomSize, Movie& next,
                                 const MovieFile::HeaderBuilder& buildHeader) {
    Placement place;
    place.end = end;
    std::uint64_t at = end;
    for (int round = 0;; ++round) {
        if (auto s = buildHeader(next, at + 8); !s)
            return s.error();
        auto chosen = smallestFit(regions, mediaAtomSize + atomSize(next.moov()));
        const auto chosenAt = chosen ? chosen->offset : end;
        if (chosenAt == at) {
            place.region = chosen;
            return place;
        }
        if (round == 3) {
            if (auto s = buildHeader(next, end + 8); !s)
                return s.error();
            return place;
        }
        at = chosenAt;
    }
}

// The new media atom (none without media) and the new header, as they will be written.
Result<NewBlob> makeBlob(std::span<const std::uint8_t> media, std::uint64_t mediaAtomSize,
                         const Movie& next) {
    NewBlob blob;
    blob.moov = next.bytes();
    if (next.moov().type != kMoov)
        return makeError("the new movie header is malformed");
    if (!media.empty()) {
        ByteWriter w;
        w.u32(std::uint32_t(mediaAtomSize));
        w.fourCC(kMdat);
        w.bytes(media);
        blob.media = w.take();
    }
    return blob;
}

} // namespace

Result<MovieFile> MovieFile::open(const std::string& path, OpenMode mode) {
    auto file = openFile(path, mode);
    if (!file)
        return file.error();
    auto movie = open(std::move(*file));
    if (!movie)
        return makeError(path + ": " + movie.error().message);
    return movie;
}

Result<MovieFile> MovieFile::open(std::unique_ptr<RandomAccessFile> file) {
    auto layout = scanFile(*file);
    if (!layout)
        return layout.error();
    auto it = std::find_if(layout->atoms.begin(), layout->atoms.end(),
                           [](const auto& a) { return a.type == kMoov; });
    if (it == layout->atoms.end())
        return makeError("not a QuickTime movie (it has no movie header)");
    auto movie = readHeader(*file, *it);
    if (!movie)
        return movie.error();
    const auto index = std::size_t(it - layout->atoms.begin());
    return MovieFile(std::move(file), std::move(*layout), index, std::move(*movie));
}

Status MovieFile::checkEditable() const {
    if (!m_file->writable())
        return makeError("the file is open read-only");
    if (m_movie.isCompressed())
        return makeError("the movie header is compressed and cannot be changed in place");
    if (m_movie.isFragmented())
        return makeError("fragmented movies cannot be changed in place");
    for (const auto& a : m_layout.atoms) {
        if (a.type == fourCC("moof") || a.type == fourCC("mfra") || a.type == fourCC("sidx")) {
            return makeError("fragmented movies cannot be changed in place");
        }
    }
    if (m_layout.unparsedTail != 0) {
        // A cut-off atom at the end (say, a header whose writing was interrupted) may be written
        // over, unless the movie's media lies in it.
        const auto tailStart = m_layout.fileSize - m_layout.unparsedTail;
        bool mediaInTail = false;
        forEachChunkOffset(m_movie, [&](std::uint64_t offset) {
            mediaInTail = mediaInTail || offset >= tailStart;
        });
        if (mediaInTail) {
            return makeError("the file ends in a truncated atom that holds media (" +
                             std::to_string(m_layout.unparsedTail) +
                             " bytes after the last whole atom)");
        }
    }
    auto header = m_movie.header();
    if (!header)
        return header.error();
    if (!m_tracksReadable) {
        auto tracks = m_movie.tracks(TrackDetail::Check);
        m_tracksReadable =
            tracks ? Status()
                   : Status(makeError("damaged movie header: " + tracks.error().message));
    }
    return *m_tracksReadable;
}

Result<std::optional<TimecodeTrackState>> MovieFile::readTimecode() {
    for (const auto* trak : m_movie.trackAtoms()) {
        if (trackHandlerType(*trak) != fourCC("tmcd"))
            continue;
        auto info = readTrackInfo(*trak);
        if (!info)
            return info.error();
        TimecodeTrackState state;
        state.trackId = info->trackId;
        if (!info->sampleDescriptions.empty()) {
            auto d = TimecodeSampleEntry::parse(info->sampleDescriptions.front().bytes);
            if (d)
                state.description = std::move(*d);
        }
        if (!info->chunkOffsets.empty()) {
            auto sample = m_file->read(info->chunkOffsets.front(), 4);
            if (sample)
                state.startFrame = std::int32_t(loadU32(sample->data()));
        }
        return std::optional<TimecodeTrackState>(std::move(state));
    }
    return std::optional<TimecodeTrackState>();
}

Status MovieFile::addTimecodeTrack(const TimecodeTrackOptions& options) {
    if (auto s = checkEditable(); !s)
        return s;
    const auto sample = timecodeSample(options.startFrame);
    // Built once; a different place for the sample only changes the new track's chunk offset.
    Atom* offsets = nullptr;
    return updateHeader(sample, [&](Movie& next, std::uint64_t offset) -> Status {
        if (offsets) {
            *offsets = toAtom(ChunkOffsetAtom::of({offset}));
            return {};
        }
        auto id = qtff::addTimecodeTrack(next, options, offset);
        if (!id)
            return id.error();
        for (auto* trak : next.trackAtoms())
            if (auto* stbl = trak->find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")});
                stbl && trackId(*trak) == *id)
                offsets = chunkOffsetTable(*stbl);
        if (!offsets)
            return makeError("the new timecode track has no chunk offset table");
        return {};
    });
}

Result<int> MovieFile::deleteTimecodeTracks() {
    if (auto s = checkEditable(); !s)
        return s.error();
    if (timecodeTrackIds(m_movie).empty())
        return 0;
    int removed = 0;
    auto status = updateHeader({}, [&](Movie& next, std::uint64_t) -> Status {
        if (removed == 0)
            removed = qtff::deleteTimecodeTracks(next);
        return {};
    });
    if (!status)
        return status.error();
    return removed;
}

void MovieFile::reload() {
    m_tracksReadable.reset();
    auto layout = scanFile(*m_file);
    if (layout) {
        auto it = std::find_if(layout->atoms.begin(), layout->atoms.end(),
                               [](const auto& a) { return a.type == kMoov; });
        if (it != layout->atoms.end()) {
            auto movie = readHeader(*m_file, *it);
            if (movie) {
                m_moovIndex = std::size_t(it - layout->atoms.begin());
                m_layout = std::move(*layout);
                m_movie = std::move(*movie);
                return;
            }
        }
    }
    // Nothing readable: every later step refuses.
    m_movie = Movie(Atom::box(kMoov));
    m_tracksReadable =
        Status(makeError("the movie header could not be read back after a failed update"));
}

Status MovieFile::repair(std::uint64_t offset, Word was, Word becomes, std::vector<Repair>& done) {
    if (auto s = writeAndFlush(*m_file, offset, becomes); !s)
        return s;
    done.push_back({offset, was});
    return {};
}

// Puts back what the repairs changed, last first, each flushed as it was made: the file is then
// byte for byte what it was before the update.
void MovieFile::undo(const std::vector<Repair>& done) {
    for (auto it = done.rbegin(); it != done.rend(); ++it)
        (void)writeAndFlush(*m_file, it->offset, it->bytes);
}

// A crash between writing a new header and freeing the old one leaves a second 'moov' after the
// first. Readers use the first; free the others before anything else, so that the later one
// cannot surface when the first is freed.
Status MovieFile::finishEarlierUpdates(std::vector<Repair>& done) {
    for (std::size_t i = m_moovIndex + 1; i < m_layout.atoms.size(); ++i) {
        auto& a = m_layout.atoms[i];
        if (a.type != kMoov)
            continue;
        if (auto s = repair(a.offset + 4, bigEndian(kMoov), bigEndian(kFree), done); !s)
            return s;
        a.type = kFree;
    }
    return {};
}

// An atom stored with size 0 runs to the end of the file; before anything is appended it gets
// its real size (one 4-byte write, its extent does not change).
Status MovieFile::fixSizeToEnd(std::vector<Repair>& done) {
    if (m_layout.atoms.empty() || !m_layout.atoms.back().sizeToEnd)
        return {};
    auto& a = m_layout.atoms.back();
    if (a.size > 0xFFFFFFFFu)
        return makeError(
            "the last atom runs to the end of the file and is too large to size in place");
    if (auto s = repair(a.offset, Word{}, bigEndian(std::uint32_t(a.size)), done); !s)
        return s;
    a.sizeToEnd = false;
    return {};
}

// Makes the repairs earlier updates need, then runs `store`; a failure before the commit puts
// the repairs back.
Status MovieFile::withRepairs(const std::function<Status()>& store) {
    std::vector<Repair> repairs;
    auto stored = finishEarlierUpdates(repairs);
    if (stored)
        stored = fixSizeToEnd(repairs);
    if (stored)
        stored = store();
    if (!stored && stored.error().kind == ErrorKind::Failed)
        undo(repairs);
    return stored;
}

// The file now holds the new header; carry on from it.
Status MovieFile::adoptStoredHeader(Movie next) {
    auto layout = scanFile(*m_file);
    if (!layout)
        return afterCommit(layout.error());
    auto it = std::find_if(layout->atoms.begin(), layout->atoms.end(),
                           [](const auto& a) { return a.type == kMoov; });
    if (it == layout->atoms.end())
        return afterCommit(makeError("the new movie header cannot be found after writing it"));
    m_moovIndex = std::size_t(it - layout->atoms.begin());
    m_layout = std::move(*layout);
    m_movie = std::move(next);
    m_tracksReadable.reset();
    return {};
}

Status MovieFile::updateHeader(std::span<const std::uint8_t> media,
                               const HeaderBuilder& buildHeader) {
    if (auto s = checkEditable(); !s)
        return s;
    // The edit works on the movie itself: copying a long movie's tables costs more than the rest
    // of the update. When the update fails, the movie is read back from the file.
    const auto regions = reusableRegions(m_layout, m_moovIndex, m_movie);
    Movie next = std::move(m_movie);
    struct ReloadUnlessKept {
        MovieFile& file;
        bool keep = false;
        ~ReloadUnlessKept() {
            if (!keep)
                file.reload();
        }
    } reloadUnlessKept{*this};
    const std::uint64_t mediaAtomSize = media.empty() ? 0 : 8 + media.size();
    auto place = placeNewHeader(regions, m_layout.fileSize - m_layout.unparsedTail, mediaAtomSize,
                                next, buildHeader);
    if (!place)
        return place.error();
    auto blob = makeBlob(media, mediaAtomSize, next);
    if (!blob)
        return blob.error();
    const auto& oldMoov = m_layout.atoms[m_moovIndex];
    if (auto s = withRepairs([&] { return storeBlob(*m_file, m_layout, *place, oldMoov, *blob); });
        !s)
        return s;
    auto adopted = adoptStoredHeader(std::move(next));
    reloadUnlessKept.keep = adopted.ok();
    return adopted;
}

} // namespace korvel::qtff
