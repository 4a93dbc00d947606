// SPDX-License-Identifier: MIT
#include "qtff/atoms/stsd_atom.h"

namespace korvel::qtff {
namespace {

// Size, format, six reserved bytes and the data reference index.
constexpr std::size_t kEntryHeaderSize = 16;

Result<SampleDescription> entryOf(std::vector<std::uint8_t> bytes) {
    ByteReader r(bytes);
    SampleDescription d;
    if (r.u32() != bytes.size() || bytes.size() < kEntryHeaderSize)
        return makeError("'stsd' atom holds a sample description that does not fit");
    d.format = r.u32();
    (void)r.bytes<6>();
    d.dataReferenceIndex = r.u16();
    d.bytes = std::move(bytes);
    return d;
}

} // namespace

StsdAtom StsdAtom::of(std::vector<std::vector<std::uint8_t>> entries) {
    StsdAtom a;
    for (auto& e : entries)
        a.entries.push_back(*entryOf(std::move(e)));
    return a;
}

Result<StsdAtom> StsdAtom::parse(std::span<const std::uint8_t> payload) {
    ByteReader r(payload);
    StsdAtom a;
    a.versionAndFlags = r.u32();
    const auto count = r.u32();
    if (r.failed())
        return makeError("'stsd' atom is too short");
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto start = r.position();
        const auto size = r.u32();
        if (r.failed() || size < 8 || size - 4 > r.remaining())
            return makeError("'stsd' atom holds a sample description that does not fit");
        (void)r.bytes(size - 4);
        auto entry = entryOf({payload.begin() + std::ptrdiff_t(start),
                              payload.begin() + std::ptrdiff_t(r.position())});
        if (!entry)
            return entry.error();
        a.entries.push_back(std::move(*entry));
    }
    return a;
}

void StsdAtom::write(ByteWriter& w) const {
    w.u32(versionAndFlags);
    w.u32(std::uint32_t(entries.size()));
    for (const auto& e : entries)
        w.bytes(e.bytes);
}

} // namespace korvel::qtff
