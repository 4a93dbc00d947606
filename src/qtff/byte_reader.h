// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "qtff/four_cc.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvel::qtff {

/// Reads big-endian numbers from a span of bytes and never past its end: every read that would
/// overrun fails and leaves the position unchanged.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::size_t size() const { return m_data.size(); }
    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_data.size() - m_position; }

    Result<std::uint8_t> u8();
    Result<std::uint16_t> u16();
    Result<std::uint32_t> u32();
    Result<std::uint64_t> u64();
    Result<std::int32_t> s32();
    Result<FourCC> fourCC() { return u32(); }

    /// The next `count` bytes, consumed.
    Result<std::span<const std::uint8_t>> bytes(std::size_t count);
    Status skip(std::size_t count);
    /// A reader over the next `count` bytes (an atom body), consumed from this one.
    Result<ByteReader> sub(std::size_t count);

  private:
    Status need(std::size_t count) const;

    std::span<const std::uint8_t> m_data;
    std::size_t m_position = 0;
};

/// Unchecked big-endian loads for fields whose room was checked before.
inline std::uint16_t loadU16(const std::uint8_t* p) {
    return std::uint16_t((p[0] << 8) | p[1]);
}
inline std::uint32_t loadU32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}
inline std::uint64_t loadU64(const std::uint8_t* p) {
    return (std::uint64_t(loadU32(p)) << 32) | loadU32(p + 4);
}

} // namespace korvel::qtff
