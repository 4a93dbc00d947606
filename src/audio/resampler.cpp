// SPDX-License-Identifier: MIT
#include "audio/resampler.h"

#include <soxr.h>
#include <string>

namespace korvel {
namespace {

constexpr std::size_t kOutputBlockFrames = 16384;

soxr_t handle(void* soxr) {
    return static_cast<soxr_t>(soxr);
}

} // namespace

Result<std::unique_ptr<Resampler>> Resampler::create(double inputRate, double outputRate,
                                                     unsigned channels) {
    if (!(inputRate > 0) || !(outputRate > 0) || channels == 0) {
        return makeError("cannot resample " + std::to_string(channels) + " channels from " +
                         std::to_string(inputRate) + " Hz to " + std::to_string(outputRate) +
                         " Hz");
    }
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_t soxr = soxr_create(inputRate, outputRate, channels, &error, &io, &quality, &runtime);
    if (error != nullptr || soxr == nullptr) {
        return makeError(std::string("cannot start the resampler: ") +
                         (error != nullptr ? error : "unknown error"));
    }
    return std::unique_ptr<Resampler>(new Resampler(soxr, channels));
}

Resampler::~Resampler() {
    soxr_delete(handle(m_soxr));
}

Status Resampler::run(const float* input, std::size_t frames, std::vector<float>& output) {
    // A null input tells soxr that the stream has ended, so that it drains its filter.
    std::size_t consumedTotal = 0;
    for (;;) {
        const std::size_t start = output.size();
        output.resize(start + kOutputBlockFrames * m_channels);
        std::size_t consumed = 0;
        std::size_t produced = 0;
        const float* in = input != nullptr ? input + consumedTotal * m_channels : nullptr;
        const std::size_t inFrames = input != nullptr ? frames - consumedTotal : 0;
        soxr_error_t error = soxr_process(handle(m_soxr), in, inFrames, &consumed,
                                          output.data() + start, kOutputBlockFrames, &produced);
        output.resize(start + produced * m_channels);
        if (error != nullptr) {
            return makeError(std::string("resampling failed: ") + error);
        }
        consumedTotal += consumed;
        const bool inputDone = input == nullptr || consumedTotal >= frames;
        if (inputDone && produced < kOutputBlockFrames) {
            return {};
        }
    }
}

Status Resampler::process(std::span<const float> input, std::vector<float>& output) {
    if (input.empty()) {
        return {};
    }
    return run(input.data(), input.size() / m_channels, output);
}

Status Resampler::flush(std::vector<float>& output) {
    return run(nullptr, 0, output);
}

} // namespace korvel
