// SPDX-License-Identifier: MIT
#include "viewer/segment_plan.h"

#include <algorithm>

namespace korvel::viewer {

Segment planSegment(const GroupOfPictures& group, std::int64_t frame, int direction,
                    std::int64_t maxFrames) {
    maxFrames = std::max<std::int64_t>(1, maxFrames);
    if (group.frameCount() <= maxFrames)
        return {group.firstFrame, group.lastFrame};
    if (direction >= 0) {
        const std::int64_t first =
            group.firstFrame + (frame - group.firstFrame) / maxFrames * maxFrames;
        return {first, std::min(group.lastFrame, first + maxFrames - 1)};
    }
    const std::int64_t last = group.lastFrame - (group.lastFrame - frame) / maxFrames * maxFrames;
    return {std::max(group.firstFrame, last - maxFrames + 1), last};
}

std::optional<std::int64_t> frameAfter(const Segment& segment, int direction,
                                       std::int64_t frameCount) {
    const std::int64_t next = direction >= 0 ? segment.last + 1 : segment.first - 1;
    if (next < 0 || next >= frameCount)
        return std::nullopt;
    return next;
}

} // namespace korvel::viewer
