// SPDX-License-Identifier: MIT
#include "viewer/timecode_readout.h"

#include "timecode/timecode.h"

namespace korvel::viewer {

std::optional<std::string> readoutText(std::int64_t frameNumber, const TimeCodeDef& def) {
    if (def.numFrames == 0)
        return std::nullopt;
    const bool wraps = (def.flags & kTc24HourMax) != 0;
    if (wraps || frameNumber < 0)
        return timeCodeText(timeCodeRecord(frameNumber, def), def.dropFrame());
    // Without the 24-hour flag the day does not end: count whole days on top of the wrapped time.
    const std::int64_t perDay =
        def.dropFrame() ? kDropFrameFramesPerDay : std::int64_t(86400) * def.numFrames;
    auto record = timeCodeRecord(frameNumber % perDay, def);
    record.hours = static_cast<std::uint8_t>((record.hours + 24 * (frameNumber / perDay)) % 100);
    return timeCodeText(record, def.dropFrame());
}

std::optional<std::int64_t> runningFrame(std::int64_t startFrame, std::int64_t elapsed,
                                         std::int32_t movieTimeScale, const TimeCodeDef& def) {
    if (def.frameDuration <= 0 || def.fTimeScale <= 0)
        return std::nullopt;
    const std::int64_t framesPerSecond = def.fTimeScale / def.frameDuration;
    if (framesPerSecond == 0)
        return std::nullopt;
    const std::int64_t unitsPerFrame = movieTimeScale / framesPerSecond;
    if (unitsPerFrame == 0)
        return std::nullopt;
    return elapsed / unitsPerFrame + startFrame;
}

} // namespace korvel::viewer
