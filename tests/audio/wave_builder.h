// SPDX-License-Identifier: MIT
// Builds WAVE/BWF files in memory for tests: any chunk order, sizes and damage.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace korvel::test {

using Bytes = std::vector<std::uint8_t>;

/// Bytes that differ from one another, the same for the same seed: samples a copy must keep.
inline Bytes pseudoRandomBytes(std::size_t count, std::uint32_t seed) {
    Bytes bytes(count);
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return bytes;
}

inline void putLittle(Bytes& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

/// Overwrites `bytes` bytes at `at` with `value`, little-endian.
inline void setLittle(Bytes& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

/// Signed 24-bit samples, little-endian.
inline void put24(Bytes& out, std::int32_t value) {
    putLittle(out, static_cast<std::uint32_t>(value), 3);
}

inline Bytes encode24(const std::vector<std::int32_t>& samples) {
    Bytes out;
    for (const std::int32_t sample : samples) {
        put24(out, sample);
    }
    return out;
}

inline std::vector<std::int32_t> read24(std::span<const std::uint8_t> bytes) {
    std::vector<std::int32_t> samples(bytes.size() / 3);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto raw = static_cast<std::uint32_t>(bytes[3 * i] << 8 | bytes[3 * i + 1] << 16 |
                                                    bytes[3 * i + 2] << 24);
        samples[i] = static_cast<std::int32_t>(raw) >> 8;
    }
    return samples;
}

inline std::vector<std::int16_t> read16(std::span<const std::uint8_t> bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return samples;
}

inline void putText(Bytes& out, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
}

struct Chunk {
    std::string id;
    Bytes body;
    std::optional<std::uint32_t> sizeField = std::nullopt; // written instead of the body size
    bool pad = true;                                       // odd bodies get their pad byte
};

inline Bytes fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                     std::uint16_t bits, bool extensible = false) {
    Bytes body;
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * (bits / 8));
    putLittle(body, extensible ? 0xFFFE : tag, 2);
    putLittle(body, channels, 2);
    putLittle(body, rate, 4);
    putLittle(body, std::uint64_t{rate} * blockAlign, 4);
    putLittle(body, blockAlign, 2);
    putLittle(body, bits, 2);
    if (extensible) {
        putLittle(body, 22, 2);
        putLittle(body, bits, 2);
        putLittle(body, channels == 2 ? 3 : 0, 4);
        putLittle(body, tag, 2);
        const std::uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        body.insert(body.end(), guidTail, guidTail + 14);
    }
    return body;
}

struct BextFields {
    std::string description;
    std::string originator;
    std::string originatorRef;
    std::string date = "2026-01-02";
    std::string time = "10:20:30";
    std::uint64_t timeReference = 0;
};

inline BextFields describedAs(std::string description) {
    BextFields fields;
    fields.description = std::move(description);
    return fields;
}

inline Bytes bextBody(const BextFields& f) {
    Bytes body;
    putText(body, f.description, 256);
    putText(body, f.originator, 32);
    putText(body, f.originatorRef, 32);
    putText(body, f.date, 10);
    putText(body, f.time, 8);
    putLittle(body, f.timeReference & 0xFFFFFFFFu, 4);
    putLittle(body, f.timeReference >> 32, 4);
    putLittle(body, 1, 2);                  // version
    body.resize(body.size() + 64 + 190, 0); // UMID, loudness, reserved
    return body;
}

enum class Container { Riff, Rf64 };

/// A RIFF (or RF64) WAVE file of these chunks. RF64 gets a ds64 chunk first, and the `data`
/// chunk and any chunk named in `viaDs64` carry the size 0xFFFFFFFF, their sizes in ds64.
inline Bytes buildWave(const std::vector<Chunk>& chunks, Container container = Container::Riff,
                       const std::vector<std::string>& viaDs64 = {}) {
    Bytes out;
    out.insert(out.end(), {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
    std::size_t ds64Body = 0;
    std::uint64_t dataSize = 0;
    for (const Chunk& c : chunks) {
        if (c.id == "data") {
            dataSize = c.body.size();
        }
    }
    if (container == Container::Rf64) {
        std::memcpy(out.data(), "RF64", 4);
        out.insert(out.end(), {'d', 's', '6', '4'});
        putLittle(out, 28 + 12 * viaDs64.size(), 4);
        ds64Body = out.size();
        putLittle(out, 0, 8); // RIFF size, filled below
        putLittle(out, dataSize, 8);
        putLittle(out, 0, 8);
        putLittle(out, viaDs64.size(), 4);
        for (const std::string& id : viaDs64) {
            out.insert(out.end(), id.begin(), id.end());
            for (const Chunk& c : chunks) {
                if (c.id == id) {
                    putLittle(out, c.body.size(), 8);
                }
            }
        }
    }
    for (const Chunk& c : chunks) {
        out.insert(out.end(), c.id.begin(), c.id.end());
        bool large =
            container == Container::Rf64 &&
            (c.id == "data" || std::find(viaDs64.begin(), viaDs64.end(), c.id) != viaDs64.end());
        putLittle(out, c.sizeField ? *c.sizeField : large ? 0xFFFFFFFFu : c.body.size(), 4);
        out.insert(out.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2 != 0 && c.pad) {
            out.push_back(0);
        }
    }
    const std::uint64_t riffSize = out.size() - 8;
    setLittle(out, 4, container == Container::Rf64 ? 0xFFFFFFFFu : riffSize, 4);
    if (container == Container::Rf64) {
        setLittle(out, ds64Body, riffSize, 8);
    }
    return out;
}

/// A recording of `seconds` of pseudo-random samples described by `fields` (left out when
/// `withBext` is false); more than two channels use the extensible format.
inline Bytes bwfRecording(const BextFields& fields, std::uint16_t channels, std::uint32_t rate,
                          std::uint16_t bits, double seconds, bool withBext = true) {
    std::vector<Chunk> chunks;
    if (withBext) {
        chunks.push_back({"bext", bextBody(fields)});
    }
    chunks.push_back({"fmt ", fmtBody(1, channels, rate, bits, channels > 2)});
    const auto frames = static_cast<std::size_t>(seconds * rate);
    chunks.push_back({"data", pseudoRandomBytes(frames * channels * (bits / 8), rate)});
    return buildWave(chunks);
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace korvel::test
