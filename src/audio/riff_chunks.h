// SPDX-License-Identifier: MIT
#pragma once

#include "audio/byte_source.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

/// The container a WAVE file uses: plain RIFF (sizes up to 4 GiB), or RF64 / BW64, whose
/// oversized chunks take their 64-bit sizes from the `ds64` chunk.
enum class RiffForm { Riff, Rf64, Bw64, Unknown };

/// One chunk of the file: where its header starts, where its body starts and how long the body is.
struct RiffChunk {
    std::array<char, 4> id{};
    std::uint64_t headerOffset = 0;
    std::uint64_t bodyOffset = 0;
    std::uint64_t size = 0;         // body bytes that exist in the file
    std::uint64_t declaredSize = 0; // what the header (or ds64) said
    bool foundByScan = false;
    /// The header held no usable size (a RIFF data chunk over 4 GiB whose size stayed at
    /// 0xFFFFFFFF, an RF64 ds64 without the data size): the body is taken to the end of the file.
    bool sizeUnknown = false;

    std::string_view name() const { return {id.data(), id.size()}; }
    /// True when the file ends before the declared body does (an interrupted recording).
    bool truncated() const { return size < declaredSize; }
};

/// The chunks of a WAVE file in file order.
struct RiffLayout {
    RiffForm form = RiffForm::Unknown;
    std::vector<RiffChunk> chunks;
    /// The walk met a chunk header it could not trust before the end of the file (or the file
    /// does not start like a RIFF file); chunks after that point are unknown.
    bool broken = false;
    std::string problem; // why the walk stopped early, for diagnostics

    /// The first chunk with this four-character ID, if the walk met one.
    const RiffChunk* find(std::string_view id) const;
};

/// Walks the chunk list by the chunk sizes, each body padded to an even length, from byte 12 to
/// the end of the file (a RIFF size field that is too small or too large does not stop it early).
/// A chunk that the end of the file cuts off is kept with the bytes the file holds, and ends the
/// walk. Never fails: a broken list is reported in the result.
RiffLayout walkRiffChunks(ByteSource& source);

/// The first position p in [first, last] whose four bytes are `id`, for files whose chunk list
/// is broken.
std::optional<std::uint64_t> scanForChunkId(ByteSource& source, std::string_view id,
                                            std::uint64_t first = 8, std::uint64_t last = 1024);

/// The chunk `id` of the file: from the walk when it found one; otherwise, only when the walk was
/// broken, from the byte scan of positions 8 to 1024. A scanned chunk's body runs to the end of
/// the file (its size field is not trusted), except a `data` chunk, which keeps its declared size
/// where the file holds it.
std::optional<RiffChunk> locateChunk(ByteSource& source, const RiffLayout& layout,
                                     std::string_view id);

} // namespace korvel
