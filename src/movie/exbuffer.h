// SPDX-License-Identifier: MIT
#pragma once

#include "audio/byte_source.h"
#include "base/result.h"

#include <cstdint>
#include <memory>
#include <span>

namespace korvel {

/// A byte buffer of fixed capacity that owns its memory or wraps memory the caller provides.
/// The BWF reader wraps each fixed-size record in one, so that a positioned read fills the record
/// in place and says how much of it the file held.
class EXBuffer {
  public:
    /// Owns `capacity` bytes, zero-filled; nothing filled yet.
    static EXBuffer bufferWithCapacity(std::uint32_t capacity);
    /// Wraps the caller's memory without owning it; nothing filled yet.
    static EXBuffer bufferWithMemory(std::uint8_t* memory, std::uint32_t capacity);

    /// Copies as much of `data` as fits to the start of the memory and remembers that count as
    /// the filled length; bytes after it are left as they were.
    void fillFromData(std::span<const std::uint8_t> data);

    std::uint8_t* buffer() { return m_buffer; }
    const std::uint8_t* buffer() const { return m_buffer; }
    /// Bytes filled by the last fill.
    std::uint32_t length() const { return m_length; }
    std::uint32_t capacity() const { return m_capacity; }
    bool needsFree() const { return m_owned != nullptr; }

  private:
    EXBuffer(std::unique_ptr<std::uint8_t[]> owned, std::uint8_t* memory, std::uint32_t capacity)
        : m_owned(std::move(owned)), m_buffer(memory), m_capacity(capacity) {}

    std::unique_ptr<std::uint8_t[]> m_owned;
    std::uint8_t* m_buffer;
    std::uint32_t m_length = 0;
    std::uint32_t m_capacity;
};

/// Reads up to the buffer's capacity at `offset` into the buffer (fewer bytes, or none, at the end
/// of the source) and answers the count now in `buffer.length()`.
Result<std::uint32_t> readDataIntoBuffer(ByteSource& source, std::uint64_t offset,
                                         EXBuffer& buffer);

/// The four bytes of `theLong` in reverse order.
constexpr std::uint32_t reverseLong(std::uint32_t theLong) {
    return (theLong >> 24) | ((theLong >> 8) & 0x0000FF00u) | ((theLong << 8) & 0x00FF0000u) |
           (theLong << 24);
}

/// A little-endian 32-bit field of a file record in host order.
std::uint32_t littleToHost32(const std::uint8_t* field);
/// A little-endian 16-bit field of a file record in host order.
std::uint16_t littleToHost16(const std::uint8_t* field);

} // namespace korvel
