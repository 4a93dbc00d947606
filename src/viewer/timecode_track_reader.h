// SPDX-License-Identifier: MIT
#pragma once

// The movie's first timecode track as the readout needs it: every sample (its frame number,
// when it plays and which definition and reel name it carries) and the track's edits, so the
// timecode of any movie time can be answered exactly.

#include "base/result.h"
#include "qtff/movie_file.h"
#include "timecode/tv_system.h"
#include "viewer/media_time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel::viewer {

struct TimecodeAtTime {
    std::int64_t frameNumber = 0;
    TimeCodeDef definition;
    /// The sample's reel name; empty when its description names none.
    std::string reelName;
};

class TimecodeTrackReader {
  public:
    /// The first timecode track of the movie, or nothing when it has none (or it has no media).
    static Result<std::optional<TimecodeTrackReader>> read(qtff::MovieFile& file);

    /// The timecode at a movie time, or nothing where the track has no sample (an empty edit,
    /// past its end, a sample that cannot be read).
    std::optional<TimecodeAtTime> at(MediaTime movieTime) const;

  private:
    struct Entry {
        std::int64_t mediaStart = 0;
        std::int64_t duration = 0;
        std::int32_t frameNumber = 0;
        std::size_t description = 0;
    };
    struct Description {
        TimeCodeDef definition;
        std::string reelName;
        bool readable = false;
    };
    std::optional<std::int64_t> mediaTimeAt(MediaTime movieTime) const;

    std::int32_t m_movieTimeScale = 0;
    std::int32_t m_mediaTimeScale = 0;
    std::vector<qtff::EditListEntry> m_edits;
    std::vector<Entry> m_entries;
    std::vector<Description> m_descriptions;
};

} // namespace korvel::viewer
