// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "qtff/four_cc.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvel::qtff {

/// Reads big-endian fields one after another from a span of bytes, never past its end. A read
/// that would overrun gives zeros (or no bytes) and fails the reader for good, so a parser reads
/// its fields and checks once: `failed()`, or `finish` for a typed atom.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_data.size() - m_position; }
    bool failed() const { return m_failed; }

    std::uint8_t u8() { return std::uint8_t(take(1)); }
    std::uint16_t u16() { return std::uint16_t(take(2)); }
    std::uint32_t u24() { return std::uint32_t(take(3)); }
    std::uint32_t u32() { return std::uint32_t(take(4)); }
    std::uint64_t u64() { return take(8); }
    FourCC fourCC() { return u32(); }
    /// A time or duration: 64 bits in atoms of version 1, else 32 bits.
    std::uint64_t versioned(std::uint8_t version) { return version == 1 ? u64() : u32(); }
    template <std::size_t N> std::array<std::uint32_t, N> u32s() {
        std::array<std::uint32_t, N> out{};
        for (auto& v : out)
            v = u32();
        return out;
    }
    template <std::size_t N> std::array<std::uint8_t, N> bytes() {
        std::array<std::uint8_t, N> out{};
        for (auto& b : out)
            b = u8();
        return out;
    }
    /// The next `count` bytes (an atom body, say).
    std::span<const std::uint8_t> bytes(std::size_t count);
    /// Everything not read yet.
    std::vector<std::uint8_t> rest();
    /// An entry count whose `entrySize`-byte entries must all follow; 0 and a failed reader when
    /// they do not, so a count from the file is checked before anything is allocated for it.
    std::uint32_t count(std::size_t entrySize);

    /// `value` when every read fitted, else the error for an atom of type `type`.
    template <class T> Result<T> finish(FourCC type, T value) const {
        if (m_failed)
            return failure(type);
        return value;
    }

  private:
    std::uint64_t take(std::size_t bytes);
    Error failure(FourCC type) const;

    std::span<const std::uint8_t> m_data;
    std::size_t m_position = 0;
    bool m_failed = false;
    bool m_countTooLarge = false;
};

/// Unchecked big-endian load for a field whose room was checked before.
inline std::uint32_t loadU32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

} // namespace korvel::qtff
