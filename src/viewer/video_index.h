// SPDX-License-Identifier: MIT
#pragma once

// The frames of a movie's video track in the order they are shown, and its groups of pictures
// (a key frame and the frames that depend on it), read from the sample tables when the movie
// opens: no media is read to find a frame.

#include "base/result.h"
#include "qtff/movie_file.h"
#include "qtff/sample_table.h"
#include "viewer/media_time.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace korvel::viewer {

struct IndexedFrame {
    std::size_t sample = 0; // decode-order sample index
    std::int64_t start = 0; // when it is shown, media units from the movie's start
    std::uint32_t duration = 0;
};

/// Samples [firstSample, endSample) in decode order, shown as frames [firstFrame, lastFrame].
struct GroupOfPictures {
    std::size_t firstSample = 0;
    std::size_t endSample = 0;
    std::int64_t firstFrame = 0;
    std::int64_t lastFrame = 0;
    std::int64_t frameCount() const { return lastFrame - firstFrame + 1; }
};

class VideoIndex {
  public:
    /// The first enabled video track (else the first video track), or nothing without video.
    static Result<std::optional<VideoIndex>> read(const qtff::Movie& movie);
    /// An index over a sample table, for tests and for tracks read another way.
    static VideoIndex fromSamples(qtff::SampleTable table, std::int32_t mediaTimeScale,
                                  std::int64_t mediaShift = 0, std::uint32_t trackId = 1);

    std::uint32_t trackId() const { return m_trackId; }
    std::int32_t timeScale() const { return m_timeScale; }
    std::int64_t frameCount() const { return std::int64_t(m_frames.size()); }
    const IndexedFrame& frame(std::int64_t index) const { return m_frames[std::size_t(index)]; }
    const qtff::Sample& sample(std::size_t index) const { return m_table.samples[index]; }
    const std::vector<GroupOfPictures>& groups() const { return m_groups; }
    const GroupOfPictures& groupOf(std::int64_t frame) const {
        return m_groups[m_groupOfFrame[std::size_t(frame)]];
    }
    /// The frame shown at a time (media units from the start): the last frame starting at or
    /// before it, clamped to the movie.
    std::int64_t frameAt(std::int64_t time) const;
    /// The frame a decoded sample shows, by its presentation time; nothing for a hidden sample.
    std::optional<std::int64_t> frameOfPresentation(std::int64_t presentationTime) const;

  private:
    qtff::SampleTable m_table;
    std::vector<IndexedFrame> m_frames;
    std::vector<GroupOfPictures> m_groups;
    std::vector<std::size_t> m_groupOfFrame;
    std::vector<std::int64_t> m_frameOfSample; // -1 for samples the edit hides
    std::int64_t m_shift = 0;
    std::int32_t m_timeScale = 1;
    std::uint32_t m_trackId = 0;
};

} // namespace korvel::viewer
