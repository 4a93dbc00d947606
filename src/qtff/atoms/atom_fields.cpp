// SPDX-License-Identifier: MIT
#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

std::uint64_t FieldReader::take(std::size_t bytes) {
    if (m_failed || bytes > remaining()) {
        m_failed = true;
        return 0;
    }
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes; ++i)
        v = (v << 8) | m_data[m_position + i];
    m_position += bytes;
    return v;
}

std::vector<std::uint8_t> FieldReader::rest() {
    const auto tail = m_data.subspan(m_position);
    m_position = m_data.size();
    return {tail.begin(), tail.end()};
}

std::uint32_t FieldReader::count(std::size_t entrySize) {
    const auto n = u32();
    if (remaining() / entrySize < n) {
        m_failed = m_countTooLarge = true;
        return 0;
    }
    return n;
}

Error FieldReader::failure(FourCC type) const {
    return makeError("'" + fourCCText(type) + "' atom " +
                     (m_countTooLarge ? "lists more entries than it holds" : "is too short"));
}

void writeVersioned(ByteWriter& writer, std::uint8_t version, std::uint64_t value) {
    if (version == 1)
        writer.u64(value);
    else
        writer.u32(std::uint32_t(value));
}

std::uint8_t versionFor(std::initializer_list<std::uint64_t> times) {
    for (auto t : times)
        if (t > 0xFFFFFFFFu)
            return 1;
    return 0;
}

} // namespace korvel::qtff
