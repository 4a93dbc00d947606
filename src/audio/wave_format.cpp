// SPDX-License-Identifier: MIT
#include "audio/wave_format.h"

#include "audio/byte_source.h"

namespace korvel {

int bytesPerSample(SampleFormat format) {
    switch (format) {
    case SampleFormat::Int16:
        return 2;
    case SampleFormat::Int24:
        return 3;
    case SampleFormat::Float32:
        return 4;
    case SampleFormat::Unsupported:
        break;
    }
    return 0;
}

std::string sampleFormatName(SampleFormat format) {
    switch (format) {
    case SampleFormat::Int16:
        return "16-bit integer";
    case SampleFormat::Int24:
        return "24-bit integer";
    case SampleFormat::Float32:
        return "32-bit float";
    case SampleFormat::Unsupported:
        break;
    }
    return "unsupported";
}

SampleFormat WaveFormat::sampleFormat() const {
    if (channels == 0) {
        return SampleFormat::Unsupported;
    }
    SampleFormat format = SampleFormat::Unsupported;
    if (encoding == kWaveFormatPcm && bitsPerSample == 16) {
        format = SampleFormat::Int16;
    } else if (encoding == kWaveFormatPcm && bitsPerSample == 24) {
        format = SampleFormat::Int24;
    } else if (encoding == kWaveFormatIeeeFloat && bitsPerSample == 32) {
        format = SampleFormat::Float32;
    }
    if (format == SampleFormat::Unsupported ||
        blockAlign != static_cast<std::uint32_t>(bytesPerSample(format)) * channels) {
        return SampleFormat::Unsupported;
    }
    return format;
}

Result<WaveFormat> parseWaveFormat(std::span<const std::uint8_t> body) {
    if (body.size() < 16) {
        return makeError("format chunk of " + std::to_string(body.size()) +
                         " bytes, expected at least 16");
    }
    const std::uint8_t* p = body.data();
    WaveFormat format;
    format.formatTag = readLittle16(p);
    format.channels = readLittle16(p + 2);
    format.sampleRate = readLittle32(p + 4);
    format.bytesPerSecond = readLittle32(p + 8);
    format.blockAlign = readLittle16(p + 12);
    format.bitsPerSample = readLittle16(p + 14);
    format.validBitsPerSample = format.bitsPerSample;
    format.encoding = format.formatTag;
    if (format.extensible()) {
        // cbSize(2) validBits(2) channelMask(4) subFormat GUID(16), whose first two bytes are
        // the format tag of the samples.
        if (body.size() < 40) {
            return makeError("extensible format chunk of " + std::to_string(body.size()) +
                             " bytes, expected 40");
        }
        const std::uint16_t validBits = readLittle16(p + 18);
        format.validBitsPerSample = validBits != 0 ? validBits : format.bitsPerSample;
        format.channelMask = readLittle32(p + 20);
        // Fewer valid bits than the container holds leaves the low bits zero, so the samples
        // are still read at their container size.
        format.encoding = readLittle16(p + 24);
    }
    return format;
}

} // namespace korvel
