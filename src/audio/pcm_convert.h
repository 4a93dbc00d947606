// SPDX-License-Identifier: MIT
#pragma once

#include "audio/wave_format.h"

#include <cstddef>
#include <cstdint>

namespace korvel {

/// Interleaved little-endian samples of `format` to floats in [-1, 1).
void decodeToFloat(SampleFormat format, const std::uint8_t* in, std::size_t samples, float* out);

/// Two channels of `bytesPerSample`-byte samples, `frames` each, as one stereo stream: a frame of
/// `left` then a frame of `right`. The bytes are copied as they are.
void interleavePair(std::size_t bytesPerSample, const std::uint8_t* left, const std::uint8_t* right,
                    std::size_t frames, std::uint8_t* out);

/// Reduction to 16 bits with triangular (TPDF) dither of one LSB peak: the quantisation error
/// becomes a steady noise independent of the signal instead of distortion that follows it.
/// The generator is seeded, so a conversion can be repeated bit for bit.
class TpdfDither {
  public:
    explicit TpdfDither(std::uint64_t seed = 0x9E3779B97F4A7C15ull)
        : m_state(seed != 0 ? seed : 1) {}

    /// 24-bit integer samples to 16-bit samples, little-endian.
    void from24(const std::uint8_t* in, std::size_t samples, std::uint8_t* out);
    /// Floats in [-1, 1) to 16-bit samples, little-endian; values outside are clipped.
    void fromFloat(const float* in, std::size_t samples, std::uint8_t* out);
    /// 32-bit float samples (little-endian bytes) to 16-bit samples.
    void fromFloat32(const std::uint8_t* in, std::size_t samples, std::uint8_t* out);

  private:
    // One dither value in (-1, 1) LSB with a triangular distribution.
    double next();
    std::int16_t quantize(double lsbValue);

    std::uint64_t m_state;
};

} // namespace korvel
