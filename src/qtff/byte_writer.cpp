// SPDX-License-Identifier: MIT
#include "qtff/byte_writer.h"

#include <algorithm>
#include <cassert>

namespace korvel::qtff {

void ByteWriter::u16(std::uint16_t v) {
    m_bytes.push_back(std::uint8_t(v >> 8));
    m_bytes.push_back(std::uint8_t(v));
}

void ByteWriter::u24(std::uint32_t v) {
    m_bytes.push_back(std::uint8_t(v >> 16));
    m_bytes.push_back(std::uint8_t(v >> 8));
    m_bytes.push_back(std::uint8_t(v));
}

void ByteWriter::u32(std::uint32_t v) {
    u16(std::uint16_t(v >> 16));
    u16(std::uint16_t(v));
}

void ByteWriter::u64(std::uint64_t v) {
    u32(std::uint32_t(v >> 32));
    u32(std::uint32_t(v));
}

void ByteWriter::pascalString(std::string_view text) {
    const auto n = std::min<std::size_t>(text.size(), 255);
    u8(std::uint8_t(n));
    this->text(text.substr(0, n));
}

ByteWriter::AtomMark ByteWriter::beginAtom(FourCC type) {
    AtomMark mark{m_bytes.size()};
    u32(0);
    fourCC(type);
    return mark;
}

ByteWriter::AtomMark ByteWriter::beginFullAtom(FourCC type, std::uint8_t version,
                                               std::uint32_t flags) {
    auto mark = beginAtom(type);
    u8(version);
    u24(flags);
    return mark;
}

void ByteWriter::endAtom(AtomMark mark) {
    const auto size = m_bytes.size() - mark.start;
    assert(size <= 0xFFFFFFFFu && "atom too large for a 32-bit size");
    patchU32(mark.start, std::uint32_t(size));
}

void ByteWriter::patchU32(std::size_t offset, std::uint32_t v) {
    assert(offset + 4 <= m_bytes.size());
    m_bytes[offset] = std::uint8_t(v >> 24);
    m_bytes[offset + 1] = std::uint8_t(v >> 16);
    m_bytes[offset + 2] = std::uint8_t(v >> 8);
    m_bytes[offset + 3] = std::uint8_t(v);
}

} // namespace korvel::qtff
