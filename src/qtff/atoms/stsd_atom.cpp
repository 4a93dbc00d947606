// SPDX-License-Identifier: MIT
#include "qtff/atoms/stsd_atom.h"

#include "qtff/byte_reader.h"

namespace korvel::qtff {
namespace {

// Size, format, six reserved bytes and the data reference index.
constexpr std::size_t kEntryHeaderSize = 16;

Result<SampleDescription> entryOf(std::vector<std::uint8_t> bytes) {
    FieldReader r(bytes);
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
    auto versionAndFlags = r.u32();
    auto count = r.u32();
    if (!versionAndFlags || !count)
        return makeError("'stsd' atom is too short");
    StsdAtom a{*versionAndFlags, {}};
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto start = r.position();
        auto size = r.u32();
        if (!size || *size < 8 || *size - 4 > r.remaining())
            return makeError("'stsd' atom holds a sample description that does not fit");
        (void)r.skip(*size - 4);
        auto entry = entryOf({payload.begin() + std::ptrdiff_t(start),
                              payload.begin() + std::ptrdiff_t(start + *size)});
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
