// SPDX-License-Identifier: MIT
#pragma once

// A QuickTime file is a sequence of atoms: a 32-bit size (1: a 64-bit size follows the type; 0: the
// atom runs to the end of its parent, in practice the file), a four-character type, then the body.
// Container atoms hold child atoms; every other atom is kept as its raw body, so what this library
// does not interpret is written back byte for byte.

#include "base/result.h"
#include "qtff/byte_writer.h"
#include "qtff/file_io.h"
#include "qtff/four_cc.h"

#include <cstdint>
#include <span>
#include <vector>

namespace korvel::qtff {

/// One atom of a movie header, held in memory.
struct Atom {
    FourCC type = 0;
    bool container = false;
    /// The atom was stored with a 64-bit size; it is written back the same way.
    bool largeSize = false;
    /// Leaf atoms: the body after the header.
    std::vector<std::uint8_t> payload;
    /// Container atoms: the children in file order, then any bytes after the last child that do
    /// not form an atom (QuickTime ends some lists with a 4-byte zero).
    std::vector<Atom> children;
    std::vector<std::uint8_t> trailer;

    static Atom leaf(FourCC type, std::vector<std::uint8_t> payload);
    static Atom box(FourCC type, std::vector<Atom> children = {});

    /// The first child of that type, or null.
    Atom* child(FourCC type);
    const Atom* child(FourCC type) const;
    /// Follows a path of child types, e.g. {mdia, minf, stbl}.
    const Atom* find(std::initializer_list<FourCC> path) const;
    Atom* find(std::initializer_list<FourCC> path);
};

/// Whether atoms of this type are parsed into children inside a movie header. Everything else
/// (user data, metadata, sample descriptions, tables) stays a leaf.
bool isContainerType(FourCC type);

/// Size of the atom as it will be written, header included.
std::uint64_t atomSize(const Atom& atom);
void writeAtom(ByteWriter& writer, const Atom& atom);
std::vector<std::uint8_t> atomBytes(const Atom& atom);

/// Parses one atom that fills `bytes` exactly (the header included). Nesting is capped and every
/// size is checked against its parent.
Result<Atom> parseAtom(std::span<const std::uint8_t> bytes);

/// A top-level atom of a file: where it is and how long it is; its body is not read.
struct TopLevelAtom {
    FourCC type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t headerSize = 8;
    /// The stored size was 0: the atom runs to the end of the file.
    bool sizeToEnd = false;
};

/// The top-level atoms of a file, read from their headers only (media data is never read).
struct FileLayout {
    std::uint64_t fileSize = 0;
    std::vector<TopLevelAtom> atoms;
    /// Bytes after the last whole atom: a truncated atom or a tail too short to be one.
    std::uint64_t unparsedTail = 0;
};

Result<FileLayout> scanFile(RandomAccessFile& file);

} // namespace korvel::qtff
