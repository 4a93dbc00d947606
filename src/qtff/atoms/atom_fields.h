// SPDX-License-Identifier: MIT
#pragma once

// What the typed atoms share: reading fixed fields with one check at the end, the times whose
// width depends on the atom's version, counted tables of 32-bit entries, and making a leaf atom
// of a typed one. Each typed atom reads its payload with `parse` and writes it with `write`;
// parse(write(x)) == x.

#include "base/result.h"
#include "qtff/atom.h"
#include "qtff/byte_writer.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace korvel::qtff {

/// Reads big-endian fields one after another. A read past the end gives zeros and fails the
/// reader, so a parser checks once, in `finish`.
class FieldReader {
  public:
    explicit FieldReader(std::span<const std::uint8_t> payload) : m_data(payload) {}

    std::uint8_t u8() { return std::uint8_t(take(1)); }
    std::uint16_t u16() { return std::uint16_t(take(2)); }
    std::uint32_t u24() { return std::uint32_t(take(3)); }
    std::uint32_t u32() { return std::uint32_t(take(4)); }
    std::uint64_t u64() { return take(8); }
    /// A time or duration: 64 bits in atoms of version 1, else 32 bits.
    std::uint64_t versioned(std::uint8_t version) { return version == 1 ? u64() : u32(); }
    template <std::size_t N> std::array<std::uint8_t, N> bytes() {
        std::array<std::uint8_t, N> out{};
        for (auto& b : out)
            b = u8();
        return out;
    }
    template <std::size_t N> std::array<std::uint32_t, N> u32s() {
        std::array<std::uint32_t, N> out{};
        for (auto& v : out)
            v = u32();
        return out;
    }
    /// Everything not read yet.
    std::vector<std::uint8_t> rest();
    /// An entry count whose `entrySize`-byte entries must follow in full; 0 and a failed reader
    /// when they do not (the count comes from the file: checked before anything is allocated).
    std::uint32_t count(std::size_t entrySize);
    std::size_t remaining() const { return m_data.size() - m_position; }

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

/// A time or duration in 64 bits for atoms of version 1, else in 32 bits.
void writeVersioned(ByteWriter& writer, std::uint8_t version, std::uint64_t value);
/// The version a header needs to hold these times: 1 when one needs 64 bits, else 0.
std::uint8_t versionFor(std::initializer_list<std::uint64_t> times);

/// The fields movie, track and media headers start with: version, flags, and the creation and
/// modification times (seconds since 1904).
template <class Header> void readHeaderStart(FieldReader& reader, Header& header) {
    header.version = reader.u8();
    header.flags = reader.u24();
    header.creationTime = reader.versioned(header.version);
    header.modificationTime = reader.versioned(header.version);
}
template <class Header> void writeHeaderStart(ByteWriter& writer, const Header& header) {
    writer.u8(header.version);
    writer.u24(header.flags);
    writeVersioned(writer, header.version, header.creationTime);
    writeVersioned(writer, header.version, header.modificationTime);
}

/// A counted table of entries of N 32-bit fields.
template <std::size_t N> using U32Entries = std::vector<std::array<std::uint32_t, N>>;
template <std::size_t N> U32Entries<N> readEntries(FieldReader& reader) {
    U32Entries<N> entries(reader.count(4 * N));
    for (auto& e : entries)
        e = reader.u32s<N>();
    return entries;
}
template <std::size_t N> void writeEntries(ByteWriter& writer, const U32Entries<N>& entries) {
    writer.u32(std::uint32_t(entries.size()));
    for (const auto& e : entries)
        for (auto v : e)
            writer.u32(v);
}

/// The typed atom as a leaf atom of its type.
template <class T> Atom toAtom(const T& typed) {
    ByteWriter writer;
    typed.write(writer);
    return Atom::leaf(typed.type(), writer.take());
}
/// Rewrites the payload of `atom` from `typed`, keeping its header as it was.
template <class T> void store(Atom& atom, const T& typed) {
    ByteWriter writer;
    typed.write(writer);
    atom.payload = writer.take();
}

} // namespace korvel::qtff
