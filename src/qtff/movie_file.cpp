// SPDX-License-Identifier: MIT
#include "qtff/movie_file.h"

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

std::array<std::uint8_t, 8> atomHeader(std::uint32_t size, FourCC type) {
    return {std::uint8_t(size >> 24), std::uint8_t(size >> 16), std::uint8_t(size >> 8), std::uint8_t(size),
            std::uint8_t(type >> 24), std::uint8_t(type >> 16), std::uint8_t(type >> 8), std::uint8_t(type)};
}

std::array<std::uint8_t, 4> typeBytes(FourCC type) {
    return {std::uint8_t(type >> 24), std::uint8_t(type >> 16), std::uint8_t(type >> 8), std::uint8_t(type)};
}

// The 'moov' atom at `at`, parsed.
Result<Movie> readHeader(RandomAccessFile& file, const TopLevelAtom& at) {
    if (at.size > kMaxHeaderSize) return makeError("the movie header is too large");
    auto bytes = file.read(at.offset, std::size_t(at.size));
    if (!bytes) return bytes.error();
    if (at.sizeToEnd) {
        // Stored size 0: parse it as if its real size were written.
        const auto size = std::uint32_t(at.size);
        (*bytes)[0] = std::uint8_t(size >> 24);
        (*bytes)[1] = std::uint8_t(size >> 16);
        (*bytes)[2] = std::uint8_t(size >> 8);
        (*bytes)[3] = std::uint8_t(size);
    }
    auto movie = Movie::parse(*bytes);
    if (!movie) return makeError("damaged movie header: " + movie.error().message);
    return movie;
}

struct Region {
    std::size_t first = 0; // index of the first atom of the run
    std::size_t count = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

} // namespace

Result<MovieFile> MovieFile::open(const std::string& path, OpenMode mode) {
    auto file = openFile(path, mode);
    if (!file) return file.error();
    auto movie = open(std::move(*file));
    if (!movie) return makeError(path + ": " + movie.error().message);
    return movie;
}

Result<MovieFile> MovieFile::open(std::unique_ptr<RandomAccessFile> file) {
    auto layout = scanFile(*file);
    if (!layout) return layout.error();
    auto it = std::find_if(layout->atoms.begin(), layout->atoms.end(), [](const auto& a) { return a.type == kMoov; });
    if (it == layout->atoms.end()) return makeError("not a QuickTime movie (it has no movie header)");
    auto movie = readHeader(*file, *it);
    if (!movie) return movie.error();
    const auto index = std::size_t(it - layout->atoms.begin());
    return MovieFile(std::move(file), std::move(*layout), index, std::move(*movie));
}

Status MovieFile::checkEditable() const {
    if (!m_file->writable()) return makeError("the file is open read-only");
    if (m_movie.isCompressed()) return makeError("the movie header is compressed and cannot be changed in place");
    if (m_movie.isFragmented()) return makeError("fragmented movies cannot be changed in place");
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
        forEachChunkOffset(m_movie, [&](std::uint64_t offset) { mediaInTail = mediaInTail || offset >= tailStart; });
        if (mediaInTail) {
            return makeError("the file ends in a truncated atom that holds media (" +
                             std::to_string(m_layout.unparsedTail) + " bytes after the last whole atom)");
        }
    }
    auto header = m_movie.header();
    if (!header) return header.error();
    if (!m_tracksReadable) {
        auto tracks = m_movie.tracks(TrackDetail::Check);
        m_tracksReadable = tracks ? Status() : Status(makeError("damaged movie header: " + tracks.error().message));
    }
    return *m_tracksReadable;
}

Result<std::optional<TimecodeTrackState>> MovieFile::readTimecode() {
    for (const auto* trak : m_movie.trackAtoms()) {
        if (trackHandlerType(*trak) != fourCC("tmcd")) continue;
        auto info = readTrackInfo(*trak);
        if (!info) return info.error();
        TimecodeTrackState state;
        state.trackId = info->trackId;
        if (!info->sampleDescriptions.empty()) {
            auto d = parseTimecodeSampleDescription(info->sampleDescriptions.front().bytes);
            if (d) state.description = std::move(*d);
        }
        if (!info->chunkOffsets.empty()) {
            auto sample = m_file->read(info->chunkOffsets.front(), 4);
            if (sample) state.startFrame = std::int32_t(loadU32(sample->data()));
        }
        return std::optional<TimecodeTrackState>(std::move(state));
    }
    return std::optional<TimecodeTrackState>();
}

Status MovieFile::addTimecodeTrack(const TimecodeTrackOptions& options) {
    if (auto s = checkEditable(); !s) return s;
    const auto sample = timecodeSample(options.startFrame);
    // Built once; a different place for the sample only changes the new track's chunk offset.
    Atom* offsets = nullptr;
    return updateHeader(sample, [&](Movie& next, std::uint64_t offset) -> Status {
        if (offsets) {
            const std::uint64_t at[] = {offset};
            *offsets = makeChunkOffsets(at);
            return {};
        }
        auto id = qtff::addTimecodeTrack(next, options, offset);
        if (!id) return id.error();
        for (auto* trak : next.trackAtoms()) {
            if (trackId(*trak) != *id) continue;
            auto* stbl = trak->find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")});
            offsets = stbl ? stbl->child(fourCC("stco")) : nullptr;
            if (!offsets && stbl) offsets = stbl->child(fourCC("co64"));
        }
        if (!offsets) return makeError("the new timecode track has no chunk offset table");
        return {};
    });
}

Result<int> MovieFile::deleteTimecodeTracks() {
    if (auto s = checkEditable(); !s) return s.error();
    if (timecodeTrackIds(m_movie).empty()) return 0;
    int removed = 0;
    auto status = updateHeader({}, [&](Movie& next, std::uint64_t) -> Status {
        if (removed == 0) removed = qtff::deleteTimecodeTracks(next);
        return {};
    });
    if (!status) return status.error();
    return removed;
}

void MovieFile::reload() {
    m_tracksReadable.reset();
    auto layout = scanFile(*m_file);
    if (layout) {
        auto it = std::find_if(layout->atoms.begin(), layout->atoms.end(), [](const auto& a) { return a.type == kMoov; });
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
    m_tracksReadable = Status(makeError("the movie header could not be read back after a failed update"));
}

Status MovieFile::writeAndFlush(std::uint64_t offset, std::span<const std::uint8_t> data) {
    if (auto s = m_file->write(offset, data); !s) return s;
    return m_file->flush();
}

// A crash between writing a new header and freeing the old one leaves a second 'moov' after the
// first. Readers use the first; free the others before anything else, so that the later one
// cannot surface when the first is freed.
Status MovieFile::finishEarlierUpdates() {
    for (std::size_t i = m_moovIndex + 1; i < m_layout.atoms.size(); ++i) {
        auto& a = m_layout.atoms[i];
        if (a.type != kMoov) continue;
        if (auto s = writeAndFlush(a.offset + 4, typeBytes(kFree)); !s) return s;
        a.type = kFree;
    }
    return {};
}

// An atom stored with size 0 runs to the end of the file; before anything is appended it gets
// its real size (one 4-byte write, its extent does not change).
Status MovieFile::fixSizeToEnd() {
    if (m_layout.atoms.empty() || !m_layout.atoms.back().sizeToEnd) return {};
    auto& a = m_layout.atoms.back();
    if (a.size > 0xFFFFFFFFu) return makeError("the last atom runs to the end of the file and is too large to size in place");
    const auto size = std::uint32_t(a.size);
    const std::array<std::uint8_t, 4> bytes{std::uint8_t(size >> 24), std::uint8_t(size >> 16),
                                            std::uint8_t(size >> 8), std::uint8_t(size)};
    if (auto s = writeAndFlush(a.offset, bytes); !s) return s;
    a.sizeToEnd = false;
    return {};
}

Status MovieFile::updateHeader(std::span<const std::uint8_t> media, const HeaderBuilder& buildHeader) {
    if (auto s = checkEditable(); !s) return s;

    // Space holding nothing the old movie uses: 'free'/'skip' atoms and media atoms that no
    // chunk of the old movie starts in (left by earlier updates). Runs of them are one region.
    std::vector<std::size_t> candidates; // atom indexes, in file order
    for (std::size_t i = 0; i < m_layout.atoms.size(); ++i) {
        const auto& a = m_layout.atoms[i];
        if ((a.type == kFree || a.type == fourCC("skip") || a.type == kMdat) && !a.sizeToEnd && i != m_moovIndex) {
            candidates.push_back(i);
        }
    }
    std::vector<bool> live(candidates.size(), false);
    if (!candidates.empty()) {
        forEachChunkOffset(m_movie, [&](std::uint64_t offset) {
            auto it = std::upper_bound(candidates.begin(), candidates.end(), offset,
                                       [&](std::uint64_t o, std::size_t i) { return o < m_layout.atoms[i].offset; });
            if (it == candidates.begin()) return;
            const auto& a = m_layout.atoms[*(it - 1)];
            if (offset < a.offset + a.size) live[std::size_t(it - 1 - candidates.begin())] = true;
        });
    }
    std::vector<Region> regions;
    for (std::size_t c = 0; c < candidates.size(); ++c) {
        if (live[c]) continue;
        const auto i = candidates[c];
        const auto& a = m_layout.atoms[i];
        if (!regions.empty() && regions.back().first + regions.back().count == i) {
            regions.back().count++;
            regions.back().size += a.size;
        } else {
            regions.push_back({i, 1, a.offset, a.size});
        }
    }

    const std::uint64_t mediaAtom = media.empty() ? 0 : 8 + media.size();
    const std::uint64_t end = m_layout.fileSize - m_layout.unparsedTail;
    auto place = [&](std::uint64_t blob) -> std::optional<Region> {
        std::optional<Region> best;
        for (const auto& r : regions) {
            if (r.size > 0xFFFFFFFFu) continue;
            if ((r.size == blob || r.size >= blob + 8) && (!best || r.size < best->size)) best = r;
        }
        return best;
    };

    // The header's size can depend on where the media lands (32- or 64-bit chunk offsets), so
    // choose a place until the choice is stable.
    // The edit works on the movie itself: copying a long movie's tables costs more than the rest
    // of the update. When the update fails, the movie is read back from the file.
    Movie next = std::move(m_movie);
    struct ReloadUnlessKept {
        MovieFile& file;
        bool keep = false;
        ~ReloadUnlessKept() {
            if (!keep) file.reload();
        }
    } reloadUnlessKept{*this};
    std::optional<Region> region;
    std::uint64_t at = end;
    for (int round = 0;; ++round) {
        if (auto s = buildHeader(next, at + 8); !s) return s;
        auto chosen = place(mediaAtom + atomSize(next.moov()));
        const auto chosenAt = chosen ? chosen->offset : end;
        if (chosenAt == at) {
            region = chosen;
            break;
        }
        if (round == 3) {
            // Keep appending at the end of the file, which always fits.
            region.reset();
            at = end;
            if (auto s = buildHeader(next, at + 8); !s) return s;
            break;
        }
        at = chosenAt;
    }
    const auto moov = next.bytes();
    if (moov.size() < 8 || loadU32(&moov[4]) != kMoov) return makeError("the new movie header is malformed");

    // What goes in: the media atom (header and bytes), the header, and in reused space a 'free'
    // atom for what is left over. Written piece by piece, so the header is never copied.
    std::vector<std::uint8_t> mediaBytes;
    if (!media.empty()) {
        ByteWriter w;
        w.u32(std::uint32_t(mediaAtom));
        w.fourCC(kMdat);
        w.bytes(media);
        mediaBytes = w.take();
    }
    const std::uint64_t blobSize = mediaBytes.size() + moov.size();
    // Writes `bytes` as if they were the blob's bytes from `from` on, at `base` + `from`.
    auto writeBlob = [&](std::uint64_t base, std::size_t from) -> Status {
        if (from < mediaBytes.size()) {
            if (auto s = m_file->write(base + from, std::span(mediaBytes).subspan(from)); !s) return s;
            from = mediaBytes.size();
        }
        return m_file->write(base + from, std::span(moov).subspan(from - mediaBytes.size()));
    };
    // The blob's first 8 bytes: the header of its first atom.
    std::array<std::uint8_t, 8> firstHeader{};
    std::copy_n(mediaBytes.empty() ? moov.begin() : mediaBytes.begin(), 8, firstHeader.begin());

    if (auto s = finishEarlierUpdates(); !s) return s;
    if (auto s = fixSizeToEnd(); !s) return s;

    const auto oldMoov = m_layout.atoms[m_moovIndex];
    if (region) {
        const auto& first = m_layout.atoms[region->first];
        const auto regionSize = std::uint32_t(region->size);
        // Make the run one 'free' atom first, so that its inside may be overwritten.
        if (region->count > 1 || first.type != kFree || first.headerSize != 8) {
            if (auto s = writeAndFlush(region->offset, atomHeader(regionSize, kFree)); !s) return s;
        }
        // Everything but the first header, and a 'free' atom for what is left over.
        if (auto s = writeBlob(region->offset, 8); !s) return s;
        if (region->size > blobSize) {
            const auto rest = atomHeader(std::uint32_t(region->size - blobSize), kFree);
            if (auto s = m_file->write(region->offset + blobSize, rest); !s) return s;
        }
        if (auto s = m_file->flush(); !s) return s;
        if (auto s = writeAndFlush(region->offset, firstHeader); !s) return s;
    } else {
        if (auto s = writeBlob(end, 0); !s) return s;
        if (auto s = m_file->flush(); !s) return s;
    }
    if (auto s = writeAndFlush(oldMoov.offset + 4, typeBytes(kFree)); !s) return s;

    // The file now holds the new header; carry on from it.
    auto layout = scanFile(*m_file);
    if (!layout) return layout.error();
    auto it = std::find_if(layout->atoms.begin(), layout->atoms.end(), [](const auto& a) { return a.type == kMoov; });
    if (it == layout->atoms.end()) return makeError("the new movie header cannot be found after writing it");
    m_moovIndex = std::size_t(it - layout->atoms.begin());
    m_layout = std::move(*layout);
    m_movie = std::move(next);
    m_tracksReadable.reset();
    reloadUnlessKept.keep = true;
    return {};
}

} // namespace korvel::qtff
