// SPDX-License-Identifier: MIT
#pragma once

#include "audio/byte_source.h"
#include "audio/wave_format.h"
#include "base/result.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace korvel {

/// Where the samples of a WAVE file lie and what they are.
struct PcmStream {
    WaveFormat format;
    SampleFormat sampleFormat = SampleFormat::Unsupported;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0; // whole sample frames only
    /// Why the samples read are not exactly what the header declares (a recording cut short, a
    /// data size the header could not hold); empty when they are.
    std::string dataWarning;

    std::uint32_t frameBytes() const { return format.blockAlign; }
    std::uint64_t frames() const { return frameBytes() != 0 ? dataBytes / frameBytes() : 0; }
};

/// The sample stream of a WAVE file: its `fmt ` and `data` chunks (by the chunk walk, or by the
/// byte scan when the chunk list is broken). Fails for files without them and for sample layouts
/// other than 16/24-bit integer or 32-bit float PCM. A data chunk cut short by the end of the
/// file gives the frames that are there, and a data chunk without a usable size runs to the end
/// of the file; `dataWarning` says so.
Result<PcmStream> openPcmStream(ByteSource& source);

/// What a conversion does. With `toSixteenBit` false the samples are copied as they are, whatever
/// `outputRate` says (a rate change always goes with the reduction to 16 bits).
struct PcmConversion {
    bool toSixteenBit = false;
    /// 48000 or 44100 to resample (libsoxr, high quality); 0 keeps the source rate.
    std::uint32_t outputRate = 0;
    std::uint64_t ditherSeed = 0x2545F4914F6CDD1Dull;
};

struct PcmOutputFormat {
    SampleFormat sampleFormat = SampleFormat::Unsupported;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;

    std::uint32_t frameBytes() const {
        return static_cast<std::uint32_t>(bytesPerSample(sampleFormat)) * channels;
    }
};

/// The format a conversion of `channels` channels of `input` at `sampleRate` writes.
PcmOutputFormat convertedFormat(SampleFormat input, std::uint16_t channels,
                                std::uint32_t sampleRate, const PcmConversion& conversion);

/// Receives the converted samples, interleaved little-endian, block by block in order.
using PcmSink = std::function<Status(std::span<const std::uint8_t>)>;

struct PcmRunReport {
    PcmOutputFormat output;
    std::uint64_t framesWritten = 0;
    /// Merged pairs: silent frames added after the end of the shorter file.
    std::uint64_t paddedFramesLeft = 0;
    std::uint64_t paddedFramesRight = 0;
};

/// Streams the samples of `stream` through `conversion` into `sink`, in blocks of about a
/// mebibyte: memory stays the same whatever the recording's length.
Result<PcmRunReport> convertPcm(ByteSource& source, const PcmStream& stream,
                                const PcmConversion& conversion, const PcmSink& sink);

/// Whether two recordings can be merged as a channel pair: both mono, same sample rate, same
/// sample format. The error says what differs.
Status checkPcmPair(const PcmStream& left, const PcmStream& right);

/// Where the two recordings of a pair lie in the merged stream: frames of silence before each.
struct PairAlignment {
    std::uint64_t leftDelay = 0;
    std::uint64_t rightDelay = 0;
};

/// Merges two mono recordings into one stereo stream, `left` as channel 1 and `right` as
/// channel 2, each after its delay of silence, through `conversion` into `sink`. Refuses
/// recordings that are not mono or that differ in sample rate or sample format. The one that
/// ends first is padded with silence to the end of the other; the report says by how much.
Result<PcmRunReport> mergePcmPair(ByteSource& leftSource, const PcmStream& left,
                                  ByteSource& rightSource, const PcmStream& right,
                                  const PcmConversion& conversion, const PcmSink& sink,
                                  const PairAlignment& alignment = {});

} // namespace korvel
