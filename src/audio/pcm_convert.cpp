// SPDX-License-Identifier: MIT
#include "audio/pcm_convert.h"

#include "audio/byte_source.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace korvel {
namespace {

inline std::int32_t read24(const std::uint8_t* p) {
    // Sign-extend through the top byte of a 32-bit value.
    const auto raw = static_cast<std::uint32_t>(p[0] << 8 | p[1] << 16 | p[2] << 24);
    return static_cast<std::int32_t>(raw) >> 8;
}

inline float readFloat32(const std::uint8_t* p) {
    return std::bit_cast<float>(readLittle32(p));
}

inline void write16(std::uint8_t* p, std::int16_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    p[0] = static_cast<std::uint8_t>(bits & 0xFF);
    p[1] = static_cast<std::uint8_t>(bits >> 8);
}

} // namespace

void decodeToFloat(SampleFormat format, const std::uint8_t* in, std::size_t samples, float* out) {
    switch (format) {
    case SampleFormat::Int16:
        for (std::size_t i = 0; i < samples; ++i) {
            out[i] = static_cast<float>(static_cast<std::int16_t>(readLittle16(in + 2 * i))) *
                     (1.0f / 32768.0f);
        }
        break;
    case SampleFormat::Int24:
        for (std::size_t i = 0; i < samples; ++i) {
            out[i] = static_cast<float>(read24(in + 3 * i)) * (1.0f / 8388608.0f);
        }
        break;
    case SampleFormat::Float32:
        for (std::size_t i = 0; i < samples; ++i) {
            out[i] = readFloat32(in + 4 * i);
        }
        break;
    case SampleFormat::Unsupported:
        std::memset(out, 0, samples * sizeof(float));
        break;
    }
}

void interleavePair(std::size_t bytesPerSample, const std::uint8_t* left, const std::uint8_t* right,
                    std::size_t frames, std::uint8_t* out) {
    for (std::size_t i = 0; i < frames; ++i) {
        std::memcpy(out, left + i * bytesPerSample, bytesPerSample);
        out += bytesPerSample;
        std::memcpy(out, right + i * bytesPerSample, bytesPerSample);
        out += bytesPerSample;
    }
}

double TpdfDither::next() {
    // xorshift64*: fast, and good enough for noise; one step gives both uniform variables.
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    const std::uint64_t bits = m_state * 0x2545F4914F6CDD1Dull;
    constexpr double kScale = 1.0 / 4294967296.0;
    const double a = static_cast<double>(bits >> 32) * kScale;
    const double b = static_cast<double>(bits & 0xFFFFFFFFu) * kScale;
    return a - b;
}

std::int16_t TpdfDither::quantize(double lsbValue) {
    // Round to nearest; the offset keeps the value positive (callers bound it to +-40000), so
    // truncation is floor.
    constexpr double kOffset = 65536.0;
    const double shifted = lsbValue + next() + 0.5 + kOffset;
    long long rounded = static_cast<long long>(shifted) - static_cast<long long>(kOffset);
    if (rounded > 32767) {
        rounded = 32767;
    } else if (rounded < -32768) {
        rounded = -32768;
    }
    return static_cast<std::int16_t>(rounded);
}

void TpdfDither::from24(const std::uint8_t* in, std::size_t samples, std::uint8_t* out) {
    for (std::size_t i = 0; i < samples; ++i) {
        write16(out + 2 * i, quantize(static_cast<double>(read24(in + 3 * i)) * (1.0 / 256.0)));
    }
}

void TpdfDither::fromFloat(const float* in, std::size_t samples, std::uint8_t* out) {
    for (std::size_t i = 0; i < samples; ++i) {
        double value = static_cast<double>(in[i]) * 32768.0;
        if (value != value) { // NaN
            value = 0.0;
        } else if (value < -40000.0) {
            value = -40000.0;
        } else if (value > 40000.0) {
            value = 40000.0;
        }
        write16(out + 2 * i, quantize(value));
    }
}

void TpdfDither::fromFloat32(const std::uint8_t* in, std::size_t samples, std::uint8_t* out) {
    constexpr std::size_t kBlock = 1024;
    float block[kBlock];
    for (std::size_t done = 0; done < samples; done += kBlock) {
        const std::size_t count = std::min(kBlock, samples - done);
        decodeToFloat(SampleFormat::Float32, in + 4 * done, count, block);
        fromFloat(block, count, out + 2 * done);
    }
}

} // namespace korvel
