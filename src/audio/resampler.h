// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace korvel {

/// Sample-rate conversion of interleaved float audio with libsoxr at high quality (steep
/// linear-phase filter, 20-bit precision), fed block by block so memory stays constant.
class Resampler {
  public:
    static Result<std::unique_ptr<Resampler>> create(double inputRate, double outputRate,
                                                     unsigned channels);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    /// Converts `input` (whole frames) and appends the frames ready so far to `output`.
    Status process(std::span<const float> input, std::vector<float>& output);
    /// Appends the frames still held in the filter; call once after the last input.
    Status flush(std::vector<float>& output);

  private:
    Resampler(void* soxr, unsigned channels) : m_soxr(soxr), m_channels(channels) {}
    Status run(const float* input, std::size_t frames, std::vector<float>& output);

    void* m_soxr; // soxr_t, kept opaque so that users do not see soxr.h
    unsigned m_channels;
};

} // namespace korvel
