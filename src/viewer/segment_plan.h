// SPDX-License-Identifier: MIT
#pragma once

// Which frames are decoded together. A group of pictures is decoded whole when it fits the
// memory budget; otherwise in segments aligned from the end the play comes from, so stepping
// through a long group keeps hitting the same segments.

#include "viewer/video_index.h"

#include <cstdint>
#include <optional>

namespace korvel::viewer {

struct Segment {
    std::int64_t first = 0;
    std::int64_t last = -1;
    bool contains(std::int64_t frame) const { return frame >= first && frame <= last; }
    std::int64_t size() const { return last - first + 1; }
    friend bool operator==(const Segment&, const Segment&) = default;
};

/// The segment of `group` that holds `frame`, at most `maxFrames` long, for play in `direction`
/// (+1 forward, -1 reverse).
Segment planSegment(const GroupOfPictures& group, std::int64_t frame, int direction,
                    std::int64_t maxFrames);

/// The frame that play in `direction` reaches after leaving `segment`, or nothing at either end of
/// a movie of `frameCount` frames.
std::optional<std::int64_t> frameAfter(const Segment& segment, int direction,
                                       std::int64_t frameCount);

} // namespace korvel::viewer
