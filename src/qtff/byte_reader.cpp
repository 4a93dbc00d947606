// SPDX-License-Identifier: MIT
#include "qtff/byte_reader.h"

namespace korvel::qtff {

std::uint64_t ByteReader::take(std::size_t bytes) {
    std::uint64_t v = 0;
    for (auto b : this->bytes(bytes))
        v = (v << 8) | b;
    return v;
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count) {
    if (m_failed || count > remaining()) {
        m_failed = true;
        return {};
    }
    m_position += count;
    return m_data.subspan(m_position - count, count);
}

std::vector<std::uint8_t> ByteReader::rest() {
    const auto tail = bytes(remaining());
    return {tail.begin(), tail.end()};
}

std::uint32_t ByteReader::count(std::size_t entrySize) {
    const auto n = u32();
    if (remaining() / entrySize < n) {
        m_failed = m_countTooLarge = true;
        return 0;
    }
    return n;
}

Error ByteReader::failure(FourCC type) const {
    return makeError("'" + fourCCText(type) + "' atom " +
                     (m_countTooLarge ? "lists more entries than it holds" : "is too short"));
}

} // namespace korvel::qtff
