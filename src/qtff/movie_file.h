// SPDX-License-Identifier: MIT
#pragma once

// A movie file opened for reading or for a header update.
//
// The update never moves media data and is safe against a crash at any instant:
//   1. the new media bytes (in an 'mdat') and the new 'moov' are written where nothing live is,
//      either in space freed by an earlier update or after the end of the file, and flushed;
//      while they are written the space still reads as 'free', or lies after the old header,
//      so every reader still finds the old movie first;
//   2. when the space was reused, its 8-byte header is then turned into the new atom's, flushed;
//   3. the old 'moov' becomes 'free' by one 4-byte write of its type, flushed.
// At every moment the file holds exactly one readable movie header, the old or the new one.

#include "base/result.h"
#include "qtff/atom.h"
#include "qtff/file_io.h"
#include "qtff/movie.h"
#include "qtff/timecode_track.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvel::qtff {

/// The first timecode track of a movie as stored.
struct TimecodeTrackState {
    std::uint32_t trackId = 0;
    TimecodeDescription description;
    /// The frame number of the first sample; nothing when the track has no readable sample.
    std::optional<std::int32_t> startFrame;
};

class MovieFile {
public:
    static Result<MovieFile> open(const std::string& path, OpenMode mode);
    static Result<MovieFile> open(std::unique_ptr<RandomAccessFile> file);

    const Movie& movie() const { return m_movie; }
    const FileLayout& layout() const { return m_layout; }
    RandomAccessFile& file() { return *m_file; }

    /// Why the header cannot be changed safely, or success.
    Status checkEditable() const;

    /// The first timecode track, or nothing when the movie has none.
    Result<std::optional<TimecodeTrackState>> readTimecode();

    /// Adds a timecode track (see timecode_track.h) and stores the new header.
    Status addTimecodeTrack(const TimecodeTrackOptions& options);
    /// Removes every timecode track; answers how many went. Nothing is written when none was there.
    Result<int> deleteTimecodeTracks();

    /// Stores a new header. `media` (may be empty) is stored in a new 'mdat'. `buildHeader` gets
    /// a copy of the current movie and the file offset the media will land at, and makes the copy
    /// the new movie. While a place is chosen it may be called again on the same copy with
    /// another offset; it must then only move what refers to the media.
    using HeaderBuilder = std::function<Status(Movie& next, std::uint64_t mediaOffset)>;
    Status updateHeader(std::span<const std::uint8_t> media, const HeaderBuilder& buildHeader);

private:
    MovieFile(std::unique_ptr<RandomAccessFile> file, FileLayout layout, std::size_t moovIndex, Movie movie)
        : m_file(std::move(file)), m_layout(std::move(layout)), m_moovIndex(moovIndex), m_movie(std::move(movie)) {}

    Status writeAndFlush(std::uint64_t offset, std::span<const std::uint8_t> data);
    /// Reads the layout and the header back from the file after a failed update.
    void reload();
    Status finishEarlierUpdates();
    Status fixSizeToEnd();

    std::unique_ptr<RandomAccessFile> m_file;
    FileLayout m_layout;
    std::size_t m_moovIndex = 0;
    Movie m_movie;
    // Whether every track of m_movie reads, found once: long movies have megabytes of tables.
    mutable std::optional<Status> m_tracksReadable;
};

} // namespace korvel::qtff
