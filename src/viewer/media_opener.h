// SPDX-License-Identifier: MIT
#pragma once

// Opens a file for the viewer: a movie's video through the sample index and FFmpeg, or a movie
// without video and a BWF/WAV file as sound on a steady frame grid of the project's frame rate.

#include "base/result.h"
#include "timecode/tv_system.h"
#include "viewer/movie_player.h"

#include <memory>
#include <string>

namespace korvel::viewer {

struct MediaOpenOptions {
    std::size_t frameBudget = kDefaultFrameBudget;
    /// The frame grid of sound: the project's timecode definition.
    TimeCodeDef soundFrames{0, 25, 1, 25, 0};
};

Result<std::unique_ptr<MoviePlayer>> openMediaPlayer(const std::string& path, FrameSink sink,
                                                     const MediaOpenOptions& options);

} // namespace korvel::viewer
