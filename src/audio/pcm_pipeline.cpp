// SPDX-License-Identifier: MIT
#include "audio/pcm_pipeline.h"

#include "audio/pcm_convert.h"
#include "audio/resampler.h"
#include "audio/riff_chunks.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace korvel {
namespace {

// Bytes of source samples per block: large enough for the kernel to stream, small enough that
// memory does not depend on the recording.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// The longest format chunk worth reading (extensible is 40 bytes).
constexpr std::size_t kMaxFormatBytes = 256;

// Turns blocks of interleaved source frames into output bytes.
class Converter {
  public:
    static Result<std::unique_ptr<Converter>> create(SampleFormat input, std::uint16_t channels,
                                                     std::uint32_t sampleRate,
                                                     const PcmConversion& conversion) {
        auto converter = std::unique_ptr<Converter>(new Converter(input, channels, conversion));
        converter->m_output = convertedFormat(input, channels, sampleRate, conversion);
        if (conversion.toSixteenBit && converter->m_output.sampleRate != sampleRate) {
            auto resampler =
                Resampler::create(sampleRate, converter->m_output.sampleRate, channels);
            if (!resampler) {
                return resampler.error();
            }
            converter->m_resampler = std::move(*resampler);
        }
        return converter;
    }

    const PcmOutputFormat& output() const { return m_output; }
    std::uint64_t framesWritten() const { return m_framesWritten; }

    Status push(const std::uint8_t* frames, std::size_t count, const PcmSink& sink) {
        const std::size_t samples = count * m_channels;
        if (!m_conversion.toSixteenBit || m_input == SampleFormat::Int16) {
            if (!m_resampler) {
                return emit({frames, count * m_output.frameBytes()}, sink);
            }
        }
        if (!m_resampler) {
            m_bytes.resize(samples * 2);
            if (m_input == SampleFormat::Int24) {
                m_dither.from24(frames, samples, m_bytes.data());
            } else {
                m_dither.fromFloat32(frames, samples, m_bytes.data());
            }
            return emit(m_bytes, sink);
        }
        m_floats.resize(samples);
        decodeToFloat(m_input, frames, samples, m_floats.data());
        m_resampled.clear();
        if (Status status = m_resampler->process(m_floats, m_resampled); !status) {
            return status;
        }
        return emitResampled(sink);
    }

    Status finish(const PcmSink& sink) {
        if (!m_resampler) {
            return {};
        }
        m_resampled.clear();
        if (Status status = m_resampler->flush(m_resampled); !status) {
            return status;
        }
        return emitResampled(sink);
    }

  private:
    Converter(SampleFormat input, std::uint16_t channels, const PcmConversion& conversion)
        : m_input(input), m_channels(channels), m_conversion(conversion),
          m_dither(conversion.ditherSeed) {}

    Status emitResampled(const PcmSink& sink) {
        m_bytes.resize(m_resampled.size() * 2);
        m_dither.fromFloat(m_resampled.data(), m_resampled.size(), m_bytes.data());
        return emit(m_bytes, sink);
    }

    Status emit(std::span<const std::uint8_t> bytes, const PcmSink& sink) {
        if (bytes.empty()) {
            return {};
        }
        m_framesWritten += bytes.size() / m_output.frameBytes();
        return sink(bytes);
    }

    SampleFormat m_input;
    std::uint16_t m_channels;
    PcmConversion m_conversion;
    PcmOutputFormat m_output;
    TpdfDither m_dither;
    std::unique_ptr<Resampler> m_resampler;
    std::vector<float> m_floats;
    std::vector<float> m_resampled;
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_framesWritten = 0;
};

// Reads whole frames of one stream from `first` on; answers how many frames it read.
Result<std::size_t> readFrames(ByteSource& source, const PcmStream& stream, std::uint64_t first,
                               std::size_t count, std::uint8_t* out) {
    const std::uint64_t available = stream.frames() > first ? stream.frames() - first : 0;
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(count, available));
    const std::size_t bytes = wanted * stream.frameBytes();
    std::size_t done = 0;
    while (done < bytes) {
        auto got = source.readAt(stream.dataOffset + first * stream.frameBytes() + done,
                                 {out + done, bytes - done});
        if (!got) {
            return got.error();
        }
        if (*got == 0) {
            break; // the file got shorter while we read it
        }
        done += *got;
    }
    return done / stream.frameBytes();
}

// Fills `count` frames of one channel of a pair from merged frame `frame` on: silence before
// the recording starts (`delay`) and after it ends. Answers how many frames of it were read.
Result<std::size_t> readDelayedFrames(ByteSource& source, const PcmStream& stream,
                                      std::uint64_t delay, std::uint64_t frame, std::size_t count,
                                      std::uint8_t* out) {
    const std::size_t sampleBytes = stream.frameBytes();
    // Silence is all-zero bytes for integer and float samples alike.
    std::fill(out, out + count * sampleBytes, 0);
    const auto lead =
        static_cast<std::size_t>(frame < delay ? std::min<std::uint64_t>(count, delay - frame) : 0);
    if (lead == count) {
        return std::size_t{0};
    }
    return readFrames(source, stream, frame + lead - delay, count - lead, out + lead * sampleBytes);
}

std::string dataWarning(const RiffChunk& data, RiffForm form, std::uint32_t frameBytes) {
    const std::string held = std::to_string(data.size) + " bytes";
    if (data.sizeUnknown) {
        return std::string(form == RiffForm::Riff
                               ? "the data size is 0xFFFFFFFF in a RIFF file over 4 GiB"
                               : "the ds64 chunk holds no data size") +
               ": the samples are read to the end of the file (" + held + ")";
    }
    if (data.truncated()) {
        return "the data chunk declares " + std::to_string(data.declaredSize) +
               " bytes but the file ends after " + held +
               ": the recording was cut short and is converted as far as its samples go";
    }
    if (data.size % frameBytes != 0) {
        return "the samples end inside a frame: its last " +
               std::to_string(data.size % frameBytes) + " bytes are left out";
    }
    return {};
}

} // namespace

Result<PcmStream> openPcmStream(ByteSource& source) {
    const RiffLayout layout = walkRiffChunks(source);
    const auto fmt = locateChunk(source, layout, "fmt ");
    if (!fmt) {
        return makeError("no format chunk (fmt ): not a WAVE file");
    }
    const auto data = locateChunk(source, layout, "data");
    if (!data) {
        return makeError("no data chunk: the file holds no samples");
    }
    std::vector<std::uint8_t> body(
        static_cast<std::size_t>(std::min<std::uint64_t>(fmt->size, kMaxFormatBytes)));
    auto got = source.readAt(fmt->bodyOffset, body);
    if (!got) {
        return got.error();
    }
    body.resize(*got);
    auto format = parseWaveFormat(body);
    if (!format) {
        return format.error();
    }
    PcmStream stream;
    stream.format = *format;
    stream.sampleFormat = format->sampleFormat();
    if (stream.sampleFormat == SampleFormat::Unsupported) {
        return makeError("samples of format " + std::to_string(format->encoding) + " with " +
                         std::to_string(format->bitsPerSample) + " bits in " +
                         std::to_string(format->channels) +
                         " channels; only 16/24-bit integer and 32-bit float PCM are handled");
    }
    if (format->sampleRate == 0) {
        return makeError("sample rate of 0 Hz");
    }
    stream.dataOffset = data->bodyOffset;
    stream.dataBytes = data->size - data->size % stream.frameBytes();
    stream.dataWarning = dataWarning(*data, layout.form, stream.frameBytes());
    return stream;
}

PcmOutputFormat convertedFormat(SampleFormat input, std::uint16_t channels,
                                std::uint32_t sampleRate, const PcmConversion& conversion) {
    PcmOutputFormat output{input, channels, sampleRate};
    if (conversion.toSixteenBit) {
        output.sampleFormat = SampleFormat::Int16;
        if (conversion.outputRate != 0) {
            output.sampleRate = conversion.outputRate;
        }
    }
    return output;
}

Result<PcmRunReport> convertPcm(ByteSource& source, const PcmStream& stream,
                                const PcmConversion& conversion, const PcmSink& sink) {
    auto converter = Converter::create(stream.sampleFormat, stream.format.channels,
                                       stream.format.sampleRate, conversion);
    if (!converter) {
        return converter.error();
    }
    const std::size_t blockFrames = std::max<std::size_t>(1, kBlockBytes / stream.frameBytes());
    std::vector<std::uint8_t> block(blockFrames * stream.frameBytes());
    for (std::uint64_t frame = 0; frame < stream.frames();) {
        auto got = readFrames(source, stream, frame, blockFrames, block.data());
        if (!got) {
            return got.error();
        }
        if (*got == 0) {
            break;
        }
        if (Status status = (*converter)->push(block.data(), *got, sink); !status) {
            return status.error();
        }
        frame += *got;
    }
    if (Status status = (*converter)->finish(sink); !status) {
        return status.error();
    }
    PcmRunReport report;
    report.output = (*converter)->output();
    report.framesWritten = (*converter)->framesWritten();
    return report;
}

Status checkPcmPair(const PcmStream& left, const PcmStream& right) {
    if (left.format.channels != 1 || right.format.channels != 1) {
        return makeError("a channel pair is made of two mono files, not of " +
                         std::to_string(left.format.channels) + " and " +
                         std::to_string(right.format.channels) + " channels");
    }
    if (left.format.sampleRate != right.format.sampleRate) {
        return makeError("the two files differ in sample rate (" +
                         std::to_string(left.format.sampleRate) + " Hz and " +
                         std::to_string(right.format.sampleRate) + " Hz)");
    }
    if (left.sampleFormat != right.sampleFormat) {
        return makeError("the two files differ in sample size (" +
                         sampleFormatName(left.sampleFormat) + " and " +
                         sampleFormatName(right.sampleFormat) + ")");
    }
    return {};
}

Result<PcmRunReport> mergePcmPair(ByteSource& leftSource, const PcmStream& left,
                                  ByteSource& rightSource, const PcmStream& right,
                                  const PcmConversion& conversion, const PcmSink& sink,
                                  const PairAlignment& alignment) {
    if (Status status = checkPcmPair(left, right); !status) {
        return status.error();
    }
    auto converter = Converter::create(left.sampleFormat, 2, left.format.sampleRate, conversion);
    if (!converter) {
        return converter.error();
    }
    const std::size_t sampleBytes = left.frameBytes();
    const std::size_t blockFrames = std::max<std::size_t>(1, kBlockBytes / (2 * sampleBytes));
    std::vector<std::uint8_t> leftBlock(blockFrames * sampleBytes);
    std::vector<std::uint8_t> rightBlock(blockFrames * sampleBytes);
    std::vector<std::uint8_t> stereo(2 * blockFrames * sampleBytes);
    const std::uint64_t total =
        std::max(alignment.leftDelay + left.frames(), alignment.rightDelay + right.frames());
    std::uint64_t leftRead = 0;
    std::uint64_t rightRead = 0;
    for (std::uint64_t frame = 0; frame < total;) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(blockFrames, total - frame));
        auto gotLeft = readDelayedFrames(leftSource, left, alignment.leftDelay, frame, count,
                                         leftBlock.data());
        auto gotRight = readDelayedFrames(rightSource, right, alignment.rightDelay, frame, count,
                                          rightBlock.data());
        if (!gotLeft) {
            return gotLeft.error();
        }
        if (!gotRight) {
            return gotRight.error();
        }
        leftRead += *gotLeft;
        rightRead += *gotRight;
        interleavePair(sampleBytes, leftBlock.data(), rightBlock.data(), count, stereo.data());
        if (Status status = (*converter)->push(stereo.data(), count, sink); !status) {
            return status.error();
        }
        frame += count;
    }
    if (Status status = (*converter)->finish(sink); !status) {
        return status.error();
    }
    PcmRunReport report;
    report.output = (*converter)->output();
    report.framesWritten = (*converter)->framesWritten();
    report.paddedFramesLeft = total - alignment.leftDelay - leftRead;
    report.paddedFramesRight = total - alignment.rightDelay - rightRead;
    return report;
}

} // namespace korvel
