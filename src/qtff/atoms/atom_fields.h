// SPDX-License-Identifier: MIT
#pragma once

// What the typed atoms share. Each reads its payload with a static `parse`, which checks every
// size and count against the payload, and writes it with `write`; parse(write(x)) == x.

#include "base/result.h"
#include "qtff/atom.h"
#include "qtff/byte_reader.h"
#include "qtff/byte_writer.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace korvel::qtff {

/// A time or duration in 64 bits for atoms of version 1, else in 32 bits.
void writeVersioned(ByteWriter& writer, std::uint8_t version, std::uint64_t value);
/// The version a header needs to hold these times: 1 when one needs 64 bits, else 0.
std::uint8_t versionFor(std::initializer_list<std::uint64_t> times);

/// The fields movie, track and media headers start with: version, flags, and the creation and
/// modification times (seconds since 1904).
template <class Header> void readHeaderStart(ByteReader& reader, Header& header) {
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
