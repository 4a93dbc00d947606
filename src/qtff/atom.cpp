// SPDX-License-Identifier: MIT
#include "qtff/atom.h"

#include "qtff/byte_reader.h"

#include <string>

namespace korvel::qtff {
namespace {

constexpr int kMaxDepth = 16;

std::uint64_t bodySize(const Atom& atom) {
    if (!atom.container)
        return atom.payload.size();
    std::uint64_t size = atom.trailer.size();
    for (const auto& c : atom.children)
        size += atomSize(c);
    return size;
}

Result<Atom> parseAtomAt(ByteReader& reader, int depth);

Status parseChildren(Atom& atom, ByteReader body, int depth) {
    while (body.remaining() >= 8) {
        auto child = parseAtomAt(body, depth + 1);
        if (!child)
            return child.error();
        atom.children.push_back(std::move(*child));
    }
    atom.trailer = body.rest();
    return {};
}

Result<Atom> parseAtomAt(ByteReader& reader, int depth) {
    if (depth > kMaxDepth)
        return makeError("atoms nested deeper than " + std::to_string(kMaxDepth) + " levels");
    const auto start = reader.position();
    std::uint64_t size = reader.u32();
    Atom atom;
    atom.type = reader.fourCC();
    if (reader.failed())
        return makeError("truncated atom header");
    std::size_t header = 8;
    if (size == 1) {
        size = reader.u64();
        if (reader.failed())
            return makeError("truncated 64-bit size of atom '" + fourCCText(atom.type) + "'");
        header = 16;
        atom.largeSize = true;
    } else if (size == 0) {
        size = header + reader.remaining();
    }
    if (size < header || size - header > reader.remaining()) {
        return makeError("atom '" + fourCCText(atom.type) + "' at byte " + std::to_string(start) +
                         " claims " + std::to_string(size) + " bytes but its parent has " +
                         std::to_string(reader.remaining() + header) + " left");
    }
    ByteReader body(reader.bytes(std::size_t(size - header)));
    atom.container = isContainerType(atom.type);
    if (!atom.container)
        atom.payload = body.rest();
    else if (auto s = parseChildren(atom, body, depth); !s)
        return s.error();
    return atom;
}

} // namespace

Atom Atom::leaf(FourCC type, std::vector<std::uint8_t> payload) {
    Atom atom;
    atom.type = type;
    atom.payload = std::move(payload);
    return atom;
}

Atom Atom::box(FourCC type, std::vector<Atom> children) {
    Atom atom;
    atom.type = type;
    atom.container = true;
    atom.children = std::move(children);
    return atom;
}

// Shared by the const and non-const lookups.
template <class A> A* childOf(A& atom, FourCC type) {
    for (auto& c : atom.children)
        if (c.type == type)
            return &c;
    return nullptr;
}

template <class A> A* descendantOf(A& atom, std::initializer_list<FourCC> path) {
    A* at = &atom;
    for (auto t : path)
        if (at = childOf(*at, t); !at)
            return nullptr;
    return at;
}

Atom* Atom::child(FourCC t) {
    return childOf(*this, t);
}

const Atom* Atom::child(FourCC t) const {
    return childOf(*this, t);
}

const Atom* Atom::find(std::initializer_list<FourCC> path) const {
    return descendantOf(*this, path);
}

Atom* Atom::find(std::initializer_list<FourCC> path) {
    return descendantOf(*this, path);
}

bool isContainerType(FourCC type) {
    switch (type) {
    case fourCC("moov"):
    case fourCC("trak"):
    case fourCC("edts"):
    case fourCC("mdia"):
    case fourCC("minf"):
    case fourCC("dinf"):
    case fourCC("stbl"):
    case fourCC("tref"):
    case fourCC("gmhd"):
        return true;
    default:
        return false;
    }
}

std::uint64_t atomSize(const Atom& atom) {
    const auto body = bodySize(atom);
    const bool large = atom.largeSize || body + 8 > 0xFFFFFFFFu;
    return body + (large ? 16 : 8);
}

void writeAtom(ByteWriter& writer, const Atom& atom) {
    const auto size = atomSize(atom);
    if (atom.largeSize || size > 0xFFFFFFFFu) {
        writer.u32(1);
        writer.fourCC(atom.type);
        writer.u64(size);
    } else {
        writer.u32(std::uint32_t(size));
        writer.fourCC(atom.type);
    }
    if (atom.container) {
        for (const auto& c : atom.children)
            writeAtom(writer, c);
        writer.bytes(atom.trailer);
    } else {
        writer.bytes(atom.payload);
    }
}

std::vector<std::uint8_t> atomBytes(const Atom& atom) {
    ByteWriter w;
    w.reserve(std::size_t(atomSize(atom)));
    writeAtom(w, atom);
    return w.take();
}

Result<Atom> parseAtom(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    auto atom = parseAtomAt(reader, 0);
    if (!atom)
        return atom;
    if (reader.remaining() != 0)
        return makeError("bytes left after atom '" + fourCCText(atom->type) + "'");
    return atom;
}

Result<FileLayout> scanFile(RandomAccessFile& file) {
    FileLayout layout;
    auto size = file.size();
    if (!size)
        return size.error();
    layout.fileSize = *size;
    std::uint64_t offset = 0;
    // A file of millions of tiny atoms is not a movie; the cap keeps a hostile file cheap.
    constexpr std::size_t kMaxTopLevelAtoms = 100000;
    while (layout.fileSize - offset >= 8) {
        if (layout.atoms.size() >= kMaxTopLevelAtoms)
            return makeError("too many top-level atoms");
        const auto headerBytes = std::size_t(std::min<std::uint64_t>(16, layout.fileSize - offset));
        auto header = file.read(offset, headerBytes);
        if (!header)
            return header.error();
        ByteReader fields(*header);
        std::uint64_t atomSize = fields.u32();
        TopLevelAtom atom;
        atom.offset = offset;
        atom.type = fields.fourCC();
        if (atomSize == 1) {
            if (headerBytes < 16)
                break;
            atomSize = fields.u64();
            atom.headerSize = 16;
        } else if (atomSize == 0) {
            atomSize = layout.fileSize - offset;
            atom.sizeToEnd = true;
        }
        if (atomSize < atom.headerSize || atomSize > layout.fileSize - offset)
            break;
        atom.size = atomSize;
        layout.atoms.push_back(atom);
        offset += atomSize;
    }
    layout.unparsedTail = layout.fileSize - offset;
    return layout;
}

} // namespace korvel::qtff
