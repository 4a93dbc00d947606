// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <cstdint>
#include <span>
#include <string>

namespace korvel {

/// The PCM sample layouts the tools read, convert and write.
enum class SampleFormat { Int16, Int24, Float32, Unsupported };

/// Bytes of one sample of one channel (0 for Unsupported).
int bytesPerSample(SampleFormat format);
std::string sampleFormatName(SampleFormat format);

inline constexpr std::uint16_t kWaveFormatPcm = 0x0001;
inline constexpr std::uint16_t kWaveFormatIeeeFloat = 0x0003;
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

/// The body of a `fmt ` chunk. For WAVE_FORMAT_EXTENSIBLE, `encoding` is the format tag carried in
/// the first two bytes of the sub-format GUID; otherwise it equals `formatTag`.
struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t validBitsPerSample = 0; // extensible only; otherwise bitsPerSample
    std::uint32_t channelMask = 0;        // extensible only
    std::uint16_t encoding = 0;

    bool extensible() const { return formatTag == kWaveFormatExtensible; }
    /// The sample layout, or Unsupported when the tools cannot treat the samples as PCM of one of
    /// the known layouts (compressed audio, 8-bit, 24 bits in 32-bit containers, a block size that
    /// does not match the channel count).
    SampleFormat sampleFormat() const;
};

/// Decodes a `fmt ` chunk body (at least the 16 bytes of the basic layout).
Result<WaveFormat> parseWaveFormat(std::span<const std::uint8_t> body);

} // namespace korvel
