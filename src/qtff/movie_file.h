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
// The commit is the one small write that makes the new header the first in the file: step 3, or
// step 2 when the reused space lies before the old header. A failure before it leaves the old
// movie (an append is cut off again, so a full disk changes nothing); a failure after it is
// reported as a change made but not confirmed on the disk. Every step is flushed before the
// next, so a power cut leaves the old or the new movie whichever unflushed writes survived.
// A file opened for writing by path is locked against other writers (file_io.h).

#include "base/result.h"
#include "qtff/atom.h"
#include "qtff/file_io.h"
#include "qtff/movie.h"
#include "qtff/timecode_track.h"

#include <array>
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
    TimecodeSampleEntry description;
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
    /// Fails with ErrorKind::Unconfirmed (the message saying which step failed) when a step
    /// after the new header became live failed: the movie is changed, but the change may not be
    /// on the disk yet. Any earlier failure leaves the old movie; a failed append (a full disk)
    /// is cut off again.
    using HeaderBuilder = std::function<Status(Movie& next, std::uint64_t mediaOffset)>;
    Status updateHeader(std::span<const std::uint8_t> media, const HeaderBuilder& buildHeader);

  private:
    MovieFile(std::unique_ptr<RandomAccessFile> file, FileLayout layout, std::size_t moovIndex,
              Movie movie)
        : m_file(std::move(file)), m_layout(std::move(layout)), m_moovIndex(moovIndex),
          m_movie(std::move(movie)) {}

    /// Reads the layout and the header back from the file after a failed update.
    void reload();
    // A 4-byte change an update makes before its own writes, and the bytes it replaced.
    using Word = std::array<std::uint8_t, 4>;
    struct Repair {
        std::uint64_t offset = 0;
        Word bytes{};
    };
    Status repair(std::uint64_t offset, Word was, Word becomes, std::vector<Repair>& done);
    void undo(const std::vector<Repair>& done);
    Status finishEarlierUpdates(std::vector<Repair>& done);
    Status fixSizeToEnd(std::vector<Repair>& done);
    Status withRepairs(const std::function<Status()>& store);
    Status adoptStoredHeader(Movie next);

    std::unique_ptr<RandomAccessFile> m_file;
    FileLayout m_layout;
    std::size_t m_moovIndex = 0;
    Movie m_movie;
    // Whether every track of m_movie reads, found once: long movies have megabytes of tables.
    mutable std::optional<Status> m_tracksReadable;
};

} // namespace korvel::qtff
