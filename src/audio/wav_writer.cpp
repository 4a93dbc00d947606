// SPDX-License-Identifier: MIT
#include "audio/wav_writer.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace korvel {
namespace {

void put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void putId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(id[i]));
    }
}

// RIFF header, fmt chunk and the data chunk header with its sizes zero until finish().
std::vector<std::uint8_t> header(const PcmOutputFormat& format) {
    const std::uint16_t bits = static_cast<std::uint16_t>(bytesPerSample(format.sampleFormat) * 8);
    const std::uint16_t tag = format.sampleFormat == SampleFormat::Float32 ? 3 : 1;
    const bool extensible = format.channels > 2;
    std::vector<std::uint8_t> out;
    out.reserve(68);
    putId(out, "RIFF");
    put(out, 0, 4);
    putId(out, "WAVE");
    putId(out, "fmt ");
    put(out, extensible ? 40 : 16, 4);
    put(out, extensible ? 0xFFFE : tag, 2);
    put(out, format.channels, 2);
    put(out, format.sampleRate, 4);
    put(out, std::uint64_t{format.sampleRate} * format.frameBytes(), 4);
    put(out, format.frameBytes(), 2);
    put(out, bits, 2);
    if (extensible) {
        put(out, 22, 2);
        put(out, bits, 2);
        put(out, 0, 4); // no speaker positions claimed
        put(out, tag, 2);
        const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        for (std::uint8_t byte : guidTail) {
            out.push_back(byte);
        }
    }
    putId(out, "data");
    put(out, 0, 4);
    return out;
}

} // namespace

Result<std::unique_ptr<WavFileWriter>> WavFileWriter::create(const std::string& path,
                                                             const PcmOutputFormat& format) {
    if (format.frameBytes() == 0 || format.sampleRate == 0) {
        return makeError("cannot write " + sampleFormatName(format.sampleFormat) + " samples in " +
                         std::to_string(format.channels) + " channels to " + path);
    }
    const std::string temporaryPath = path + ".partial";
    std::FILE* file = std::fopen(temporaryPath.c_str(), "wb");
    if (file == nullptr) {
        return makeError("cannot create " + temporaryPath + ": " + std::strerror(errno));
    }
    const std::vector<std::uint8_t> bytes = header(format);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::fclose(file);
        std::remove(temporaryPath.c_str());
        return makeError("cannot write " + temporaryPath);
    }
    return std::unique_ptr<WavFileWriter>(
        new WavFileWriter(file, path, temporaryPath, bytes.size() - 4));
}

WavFileWriter::~WavFileWriter() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
    if (!m_finished) {
        std::remove(m_temporaryPath.c_str());
    }
}

Status WavFileWriter::write(std::span<const std::uint8_t> samples) {
    if (m_file == nullptr) {
        return makeError("write after the end of " + m_path);
    }
    if (std::fwrite(samples.data(), 1, samples.size(), m_file) != samples.size()) {
        return makeError("cannot write " + m_temporaryPath + ": " + std::strerror(errno));
    }
    m_dataBytes += samples.size();
    return {};
}

Status WavFileWriter::finish() {
    if (m_file == nullptr) {
        return makeError("already finished " + m_path);
    }
    const std::uint64_t riffSize = m_dataSizeOffset + 4 - 8 + m_dataBytes + (m_dataBytes % 2);
    if (riffSize > 0xFFFFFFFFull) {
        return makeError(m_path + " would pass the 4 GiB a WAVE file can hold");
    }
    std::vector<std::uint8_t> size;
    if (m_dataBytes % 2 != 0) {
        const std::uint8_t pad = 0;
        if (std::fwrite(&pad, 1, 1, m_file) != 1) {
            return makeError("cannot write " + m_temporaryPath);
        }
    }
    put(size, riffSize, 4);
    put(size, m_dataBytes, 4);
    bool ok = std::fseek(m_file, 4, SEEK_SET) == 0 && std::fwrite(size.data(), 1, 4, m_file) == 4 &&
              std::fseek(m_file, static_cast<long>(m_dataSizeOffset), SEEK_SET) == 0 &&
              std::fwrite(size.data() + 4, 1, 4, m_file) == 4;
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    if (!ok) {
        return makeError("cannot finish " + m_temporaryPath);
    }
    std::error_code error;
    std::filesystem::rename(m_temporaryPath, m_path, error);
    if (error) {
        return makeError("cannot rename " + m_temporaryPath + " to " + m_path + ": " +
                         error.message());
    }
    m_finished = true;
    return {};
}

} // namespace korvel
