// SPDX-License-Identifier: MIT
#pragma once

// The sound of a movie or BWF/WAV file, decoded (libavcodec) and converted (libswresample) to
// interleaved 16-bit samples at a wanted rate and channel count, read by sample-frame position.

#include "base/result.h"
#include "viewer/sound_sink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvel::viewer {

class SoundReader {
  public:
    virtual ~SoundReader() = default;
    /// Up to `frames` sample frames from `first` on (fewer at the end of the sound).
    virtual std::vector<std::int16_t> read(std::int64_t first, std::int64_t frames) = 0;
};

/// Opens the first sound stream of `path`; an error when the file has none or it cannot be decoded.
Result<std::unique_ptr<SoundReader>> openSoundReader(const std::string& path, SoundFormat format);

} // namespace korvel::viewer
