// SPDX-License-Identifier: MIT
#pragma once

// Where played sound goes: a sound device, or a capture in memory. Sound travels as interleaved
// signed 16-bit samples at the sink's own rate and channel count.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace korvel::viewer {

struct SoundFormat {
    int sampleRate = 48000;
    int channels = 2;
};

class SoundSink {
  public:
    virtual ~SoundSink() = default;
    /// Prepares for play, on the thread that starts play; nothing means play is silent.
    virtual std::optional<SoundFormat> begin() = 0;
    /// Hands over whole sample frames, waiting for room; false once `end` was called.
    virtual bool write(std::span<const std::int16_t> samples) = 0;
    /// Ends play at once, on the thread that stops it: a waiting `write` returns, queued sound is
    /// dropped.
    virtual void end() = 0;
    /// The sound heard since `begin`, as the device counts it; nothing until some is heard, or
    /// when there is no device. Safe from any thread.
    virtual std::optional<std::chrono::microseconds> played() const { return std::nullopt; }
};

} // namespace korvel::viewer
