// SPDX-License-Identifier: MIT
#include "movie/exbuffer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace korvel {

EXBuffer EXBuffer::bufferWithCapacity(std::uint32_t capacity) {
    auto memory = std::make_unique<std::uint8_t[]>(capacity); // value-initialised: zeros
    std::uint8_t* raw = memory.get();
    return EXBuffer(std::move(memory), raw, capacity);
}

EXBuffer EXBuffer::bufferWithMemory(std::uint8_t* memory, std::uint32_t capacity) {
    return EXBuffer(nullptr, memory, capacity);
}

void EXBuffer::fillFromData(std::span<const std::uint8_t> data) {
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), m_capacity));
    if (count > 0) {
        std::memmove(m_buffer, data.data(), count); // the data may be the buffer itself
    }
    m_length = count;
}

Result<std::uint32_t> readDataIntoBuffer(ByteSource& source, std::uint64_t offset,
                                         EXBuffer& buffer) {
    // Read straight into the buffer's memory: it is the destination fillFromData would copy to.
    auto got = source.readAt(offset, {buffer.buffer(), buffer.capacity()});
    if (!got) {
        buffer.fillFromData({});
        return got.error();
    }
    buffer.fillFromData({buffer.buffer(), *got});
    return buffer.length();
}

std::uint32_t littleToHost32(const std::uint8_t* field) {
    std::uint32_t value;
    std::memcpy(&value, field, sizeof value);
    if constexpr (std::endian::native == std::endian::big) {
        value = reverseLong(value);
    }
    return value;
}

std::uint16_t littleToHost16(const std::uint8_t* field) {
    std::uint16_t value;
    std::memcpy(&value, field, sizeof value);
    if constexpr (std::endian::native == std::endian::big) {
        value = static_cast<std::uint16_t>((value >> 8) | (value << 8));
    }
    return value;
}

} // namespace korvel
