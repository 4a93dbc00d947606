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
    auto rest = body.bytes(body.remaining());
    atom.trailer.assign(rest->begin(), rest->end());
    return {};
}

Result<Atom> parseAtomAt(ByteReader& reader, int depth) {
    if (depth > kMaxDepth)
        return makeError("atoms nested deeper than " + std::to_string(kMaxDepth) + " levels");
    const auto start = reader.position();
    auto size32 = reader.u32();
    auto type = reader.fourCC();
    if (!size32 || !type)
        return makeError("truncated atom header");
    Atom atom;
    atom.type = *type;
    std::uint64_t size = *size32;
    std::size_t header = 8;
    if (size == 1) {
        auto large = reader.u64();
        if (!large)
            return makeError("truncated 64-bit size of atom '" + fourCCText(atom.type) + "'");
        size = *large;
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
    auto body = reader.sub(std::size_t(size - header));
    atom.container = isContainerType(atom.type);
    if (atom.container) {
        if (auto s = parseChildren(atom, *body, depth); !s)
            return s.error();
    } else {
        auto bytes = body->bytes(body->remaining());
        atom.payload.assign(bytes->begin(), bytes->end());
    }
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

Atom* Atom::child(FourCC t) {
    for (auto& c : children)
        if (c.type == t)
            return &c;
    return nullptr;
}

const Atom* Atom::child(FourCC t) const {
    for (const auto& c : children)
        if (c.type == t)
            return &c;
    return nullptr;
}

const Atom* Atom::find(std::initializer_list<FourCC> path) const {
    const Atom* at = this;
    for (auto t : path) {
        at = at->child(t);
        if (!at)
            return nullptr;
    }
    return at;
}

Atom* Atom::find(std::initializer_list<FourCC> path) {
    Atom* at = this;
    for (auto t : path) {
        at = at->child(t);
        if (!at)
            return nullptr;
    }
    return at;
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
        TopLevelAtom atom;
        atom.offset = offset;
        atom.type = loadU32(header->data() + 4);
        std::uint64_t atomSize = loadU32(header->data());
        if (atomSize == 1) {
            if (headerBytes < 16)
                break;
            atomSize = loadU64(header->data() + 8);
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
