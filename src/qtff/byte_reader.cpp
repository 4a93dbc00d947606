// SPDX-License-Identifier: MIT
#include "qtff/byte_reader.h"

#include <string>

namespace korvel::qtff {

Status ByteReader::need(std::size_t count) const {
    if (count > remaining()) {
        return makeError("unexpected end of data: " + std::to_string(count) + " bytes needed, " +
                         std::to_string(remaining()) + " left");
    }
    return {};
}

Result<std::uint8_t> ByteReader::u8() {
    if (auto s = need(1); !s)
        return s.error();
    return m_data[m_position++];
}

Result<std::uint16_t> ByteReader::u16() {
    if (auto s = need(2); !s)
        return s.error();
    const auto v = loadU16(m_data.data() + m_position);
    m_position += 2;
    return v;
}

Result<std::uint32_t> ByteReader::u32() {
    if (auto s = need(4); !s)
        return s.error();
    const auto v = loadU32(m_data.data() + m_position);
    m_position += 4;
    return v;
}

Result<std::uint64_t> ByteReader::u64() {
    if (auto s = need(8); !s)
        return s.error();
    const auto v = loadU64(m_data.data() + m_position);
    m_position += 8;
    return v;
}

Result<std::int32_t> ByteReader::s32() {
    auto v = u32();
    if (!v)
        return v.error();
    return std::int32_t(*v);
}

Result<std::span<const std::uint8_t>> ByteReader::bytes(std::size_t count) {
    if (auto s = need(count); !s)
        return s.error();
    auto out = m_data.subspan(m_position, count);
    m_position += count;
    return out;
}

Status ByteReader::skip(std::size_t count) {
    if (auto s = need(count); !s)
        return s;
    m_position += count;
    return {};
}

Result<ByteReader> ByteReader::sub(std::size_t count) {
    auto b = bytes(count);
    if (!b)
        return b.error();
    return ByteReader(*b);
}

} // namespace korvel::qtff
