// SPDX-License-Identifier: MIT
// BWF files from outside: whatever the bytes, the chunk walk stays inside the file, the reader
// answers a record of its eighteen keys (and the recorder's rate when its iXML names one) in valid
// UTF-8 that XML escaping keeps free of the characters XML forbids, the sample stream converts to
// whole frames, and nothing reads out of bounds.
#include "audio/pcm_pipeline.h"
#include "audio/riff_chunks.h"
#include "audio/wave_format.h"
#include "movie/bwf_reader.h"
#include "shotlog/xml_writer.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace korvel;

namespace {

bool validUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80             ? 1
                                   : (byte & 0xE0) == 0xC0 ? 2
                                   : (byte & 0xF0) == 0xE0 ? 3
                                   : (byte & 0xF8) == 0xF0 ? 4
                                                           : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryByteSource source({data, size});

    const RiffLayout layout = walkRiffChunks(source);
    for (const RiffChunk& chunk : layout.chunks) {
        if (chunk.bodyOffset > size || chunk.size > size - chunk.bodyOffset) {
            __builtin_trap();
        }
    }
    for (const char* id : {"bext", "fmt ", "data", "ds64"}) {
        const auto chunk = locateChunk(source, layout, id);
        if (chunk && (chunk->bodyOffset > size || chunk->size > size - chunk->bodyOffset)) {
            __builtin_trap();
        }
        if (chunk && std::string(id) == "fmt ") {
            std::vector<std::uint8_t> body(data + chunk->bodyOffset,
                                           data + chunk->bodyOffset + chunk->size);
            if (auto format = parseWaveFormat(body)) {
                (void)format->sampleFormat();
            }
        }
    }

    // The iXML reading on its own: any text, and the fraction it finds is always positive.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto recorder = parseRecorderRate(text)) {
        if (recorder->rate.numerator <= 0 || recorder->rate.denominator <= 0) {
            __builtin_trap();
        }
        (void)usedFrameRate(BwfFrameRate{BwfFrameRate::Kind::FromRecorder}, recorder);
    }

    BwfReadOptions options;
    if (size > 0 && data[0] % 2 == 1) {
        options.bwfFpsRate = BwfFrameRate::parse("NTSC DF");
        options.bwfTapeIdSelect = "First 6 characters of File Name";
    } else if (size > 0 && data[0] % 4 == 2) {
        options.bwfFpsRate = BwfFrameRate::parse("From recorder");
    }
    const BwfInfo info = getBWF2Info(source, "/in/A001T01.WAV", options);
    if (info.entries().size() != (info.contains(bwfkey::kRecorderRate) ? 19U : 18U)) {
        __builtin_trap();
    }
    for (const auto& [key, value] : info.entries()) {
        if (!validUtf8(value)) {
            __builtin_trap();
        }
        const std::string escaped = escapeXml(value);
        for (const char c : escaped) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                __builtin_trap();
            }
        }
    }
    (void)checkWaveFile(source);
    (void)bwfInfoJson(info);

    if (auto stream = openPcmStream(source)) {
        if (stream->dataOffset + stream->dataBytes > size) {
            __builtin_trap();
        }
        PcmConversion conversion;
        conversion.toSixteenBit = size > 1 && data[1] % 2 == 1;
        std::uint64_t written = 0;
        auto report =
            convertPcm(source, *stream, conversion, [&](std::span<const std::uint8_t> bytes) {
                written += bytes.size();
                return Status{};
            });
        if (report && written != report->framesWritten * report->output.frameBytes()) {
            __builtin_trap();
        }
    }
    (void)bwfInfoSummary("/in/A001T01.WAV", info, "NTSC");
    return 0;
}
