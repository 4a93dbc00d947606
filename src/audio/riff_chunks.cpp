// SPDX-License-Identifier: MIT
#include "audio/riff_chunks.h"

#include <algorithm>
#include <cstring>

namespace korvel {
namespace {

// More chunks than any recorder writes; a file of tiny chunks cannot make the walk allocate
// without bound.
constexpr std::size_t kMaxChunks = 65536;
// ds64 tables larger than this are not believed.
constexpr std::uint32_t kMaxDs64Entries = 4096;
constexpr std::uint32_t kSizeFromDs64 = 0xFFFFFFFFu;

bool isChunkIdByte(std::uint8_t byte) {
    return byte >= 0x20 && byte <= 0x7E;
}

bool isChunkId(const std::uint8_t* bytes) {
    return std::all_of(bytes, bytes + 4, isChunkIdByte);
}

std::array<char, 4> toId(const std::uint8_t* bytes) {
    std::array<char, 4> id{};
    std::memcpy(id.data(), bytes, 4);
    return id;
}

struct Ds64 {
    std::optional<std::uint64_t> dataSize;
    std::vector<std::pair<std::array<char, 4>, std::uint64_t>> table;
};

Ds64 readDs64(ByteSource& source, const RiffChunk& chunk) {
    Ds64 ds64;
    std::uint8_t fixed[28] = {};
    auto got = source.readAt(chunk.bodyOffset, {fixed, std::min<std::uint64_t>(28, chunk.size)});
    if (!got || *got < 16) {
        return ds64;
    }
    if (const std::uint64_t dataSize = readLittle64(fixed + 8); dataSize != 0) {
        ds64.dataSize = dataSize;
    }
    if (*got < 28) {
        return ds64;
    }
    const std::uint32_t declared = readLittle32(fixed + 24);
    const std::uint64_t room = (chunk.size - 28) / 12;
    const auto entries =
        static_cast<std::uint32_t>(std::min<std::uint64_t>({declared, room, kMaxDs64Entries}));
    for (std::uint32_t i = 0; i < entries; ++i) {
        std::uint8_t entry[12];
        auto read = source.readAt(chunk.bodyOffset + 28 + std::uint64_t{i} * 12, entry);
        if (!read || *read < 12) {
            break;
        }
        ds64.table.emplace_back(toId(entry), readLittle64(entry + 4));
    }
    return ds64;
}

// The chunk's declared size: its 32-bit field, or where that says 0xFFFFFFFF, its ds64 entry.
void resolveSize(RiffChunk& chunk, std::uint32_t size32, bool sizesFromDs64, const Ds64& ds64,
                 std::uint64_t room) {
    chunk.declaredSize = size32;
    if (sizesFromDs64 && size32 == kSizeFromDs64) {
        if (chunk.name() == "data") {
            chunk.sizeUnknown = !ds64.dataSize.has_value();
            chunk.declaredSize = ds64.dataSize.value_or(room);
        } else {
            const auto entry = std::find_if(ds64.table.begin(), ds64.table.end(),
                                            [&](const auto& e) { return e.first == chunk.id; });
            if (entry != ds64.table.end()) {
                chunk.declaredSize = entry->second;
            }
        }
    }
    if (!sizesFromDs64 && size32 == kSizeFromDs64 && chunk.name() == "data" &&
        room > kSizeFromDs64) {
        // Recorders leave a data size they cannot write at 0xFFFFFFFF when a plain RIFF
        // recording grows past 4 GiB: the samples run to the end of the file.
        chunk.sizeUnknown = true;
        chunk.declaredSize = room;
    }
}

std::optional<RiffForm> formOf(const std::uint8_t (&header)[12]) {
    if (std::memcmp(header + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    if (std::memcmp(header, "RIFF", 4) == 0) {
        return RiffForm::Riff;
    }
    if (std::memcmp(header, "RF64", 4) == 0) {
        return RiffForm::Rf64;
    }
    if (std::memcmp(header, "BW64", 4) == 0) {
        return RiffForm::Bw64;
    }
    return std::nullopt;
}

// Where the chunk after `chunk` starts. Bodies are padded to an even length, but some writers
// forget the pad byte: take the unpadded position when only it holds a chunk header.
std::uint64_t nextChunkPosition(ByteSource& source, const RiffChunk& chunk) {
    const std::uint64_t next = chunk.bodyOffset + chunk.declaredSize;
    if (chunk.declaredSize % 2 == 0) {
        return next;
    }
    std::uint8_t probe[5] = {};
    auto probeRead = source.readAt(next, probe);
    const bool unpadded = probeRead && *probeRead == 5 && isChunkId(probe) && !isChunkId(probe + 1);
    return unpadded ? next : next + 1;
}

// One walk over the chunks of a file whose form header has been read.
class ChunkWalk {
  public:
    ChunkWalk(ByteSource& source, RiffLayout& layout, std::uint64_t declaredEnd)
        : m_source(source), m_layout(layout), m_fileSize(source.size()), m_declaredEnd(declaredEnd),
          m_sizesFromDs64(layout.form != RiffForm::Riff) {}

    void run() {
        std::uint64_t position = 12;
        while (m_fileSize >= 8 && position <= m_fileSize - 8) {
            if (!step(position)) {
                return;
            }
        }
    }

  private:
    bool fail(std::string problem) {
        m_layout.broken = true;
        m_layout.problem = std::move(problem);
        return false;
    }

    // Reads the chunk at `position` and moves past it; false when the walk ends there.
    bool step(std::uint64_t& position) {
        if (m_layout.chunks.size() >= kMaxChunks) {
            return fail("too many chunks");
        }
        std::uint8_t chunkHeader[8];
        auto read = m_source.readAt(position, chunkHeader);
        if (!read || *read < 8) {
            return fail("cannot read the chunk header at byte " + std::to_string(position));
        }
        // Bytes after the declared end of the form are walked too, but whatever does not look
        // like a chunk there is trailing data, not a broken list.
        const bool beyondDeclaredEnd = position >= m_declaredEnd;
        if (!isChunkId(chunkHeader)) {
            return beyondDeclaredEnd ? false
                                     : fail("no chunk ID at byte " + std::to_string(position));
        }
        RiffChunk chunk;
        chunk.id = toId(chunkHeader);
        chunk.headerOffset = position;
        chunk.bodyOffset = position + 8;
        const std::uint64_t room = m_fileSize - chunk.bodyOffset;
        resolveSize(chunk, readLittle32(chunkHeader + 4), m_sizesFromDs64, m_ds64, room);
        chunk.size = std::min(chunk.declaredSize, room);
        if (chunk.declaredSize > room && chunk.name() != "data") {
            // A recording cut short (a power loss) keeps the part of the chunk the file holds;
            // what lay after it is unknown.
            if (beyondDeclaredEnd) {
                return false;
            }
            m_layout.chunks.push_back(chunk);
            return fail("chunk '" + std::string(chunk.name()) + "' at byte " +
                        std::to_string(position) + " runs past the end of the file");
        }
        if (m_layout.chunks.empty() && m_sizesFromDs64 && !takeDs64(chunk)) {
            return false;
        }
        m_layout.chunks.push_back(chunk);
        if (chunk.declaredSize >= room) {
            return false; // reached the end of the file
        }
        position = nextChunkPosition(m_source, chunk);
        return true;
    }

    // The first chunk of an RF64 or BW64 file: its ds64, which sizes the form and the chunks.
    bool takeDs64(const RiffChunk& chunk) {
        if (chunk.name() != "ds64") {
            return fail("RF64 file without a ds64 chunk");
        }
        m_ds64 = readDs64(m_source, chunk);
        std::uint8_t riffSize[8];
        auto sizeRead = m_source.readAt(chunk.bodyOffset, riffSize);
        if (sizeRead && *sizeRead == 8) {
            m_declaredEnd = 8 + readLittle64(riffSize);
        }
        return true;
    }

    ByteSource& m_source;
    RiffLayout& m_layout;
    const std::uint64_t m_fileSize;
    std::uint64_t m_declaredEnd;
    const bool m_sizesFromDs64;
    Ds64 m_ds64;
};

} // namespace

const RiffChunk* RiffLayout::find(std::string_view id) const {
    for (const RiffChunk& chunk : chunks) {
        if (chunk.name() == id) {
            return &chunk;
        }
    }
    return nullptr;
}

RiffLayout walkRiffChunks(ByteSource& source) {
    RiffLayout layout;
    std::uint8_t header[12] = {};
    auto got = source.readAt(0, header);
    const auto form = got && *got >= 12 ? formOf(header) : std::nullopt;
    if (!form) {
        layout.broken = true;
        layout.problem = "not a RIFF WAVE file";
        return layout;
    }
    layout.form = *form;
    ChunkWalk(source, layout, 8 + std::uint64_t{readLittle32(header + 4)}).run();
    return layout;
}

std::optional<std::uint64_t> scanForChunkId(ByteSource& source, std::string_view id,
                                            std::uint64_t first, std::uint64_t last) {
    if (id.size() != 4 || first > last) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> window(static_cast<std::size_t>(last - first) + 4);
    auto got = source.readAt(first, window);
    if (!got || *got < 4) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i + 4 <= *got; ++i) {
        if (std::memcmp(window.data() + i, id.data(), 4) == 0) {
            return first + i;
        }
    }
    return std::nullopt;
}

std::optional<RiffChunk> locateChunk(ByteSource& source, const RiffLayout& layout,
                                     std::string_view id) {
    if (const RiffChunk* chunk = layout.find(id)) {
        return *chunk;
    }
    if (!layout.broken) {
        return std::nullopt;
    }
    const auto position = scanForChunkId(source, id);
    if (!position) {
        return std::nullopt;
    }
    RiffChunk chunk;
    std::memcpy(chunk.id.data(), id.data(), 4);
    chunk.headerOffset = *position;
    // The ID may sit in the last bytes of the file, with no room for its size or body.
    chunk.bodyOffset = std::min(*position + 8, source.size());
    chunk.foundByScan = true;
    const std::uint64_t room =
        chunk.bodyOffset < source.size() ? source.size() - chunk.bodyOffset : 0;
    std::uint8_t sizeField[4] = {};
    auto got = source.readAt(*position + 4, sizeField);
    chunk.declaredSize = (got && *got == 4) ? readLittle32(sizeField) : 0;
    chunk.size = id == "data" ? std::min(chunk.declaredSize, room) : room;
    return chunk;
}

} // namespace korvel
