// SPDX-License-Identifier: MIT
#include "qtff/atoms/timecode_sample_entry.h"

#include <algorithm>

namespace korvel::qtff {
namespace {

constexpr FourCC kTmcd = fourCC("tmcd");
constexpr FourCC kName = fourCC("name");
constexpr std::size_t kFixedSize = 34;

// The reel name: the text of the first 'name' item among the user-data items in `items`.
bool readReelName(std::span<const std::uint8_t> items, std::string& name) {
    ByteReader r(items);
    while (r.remaining() >= 8) {
        const auto size = r.u32();
        const auto type = r.fourCC();
        if (size < 8 || size - 8 > r.remaining())
            return false;
        ByteReader body(r.bytes(size - 8));
        if (type != kName)
            continue;
        const auto length = body.u16();
        (void)body.u16(); // the language
        if (body.failed())
            return false;
        const auto text = body.bytes(std::min<std::size_t>(length, body.remaining()));
        name.assign(text.begin(), text.end());
        // The name is text up to its first zero byte.
        name.resize(std::min(name.size(), name.find('\0')));
        return true;
    }
    return false;
}

} // namespace

Result<TimecodeSampleEntry> TimecodeSampleEntry::parse(std::span<const std::uint8_t> entry) {
    ByteReader r(entry);
    (void)r.u32(); // size: the span is the entry
    if (entry.size() < kFixedSize || r.u32() != kTmcd)
        return makeError("not a timecode sample description");
    TimecodeSampleEntry e;
    (void)r.bytes<6>();
    e.dataReferenceIndex = r.u16();
    (void)r.u32();
    e.format.flags = std::int32_t(r.u32());
    e.format.timeScale = std::int32_t(r.u32());
    e.format.frameDuration = std::int32_t(r.u32());
    e.format.numFrames = r.u8();
    // Some writers leave three reserved bytes after the frame count instead of one; accept either.
    for (std::size_t start : {kFixedSize, kFixedSize + 2}) {
        if (readReelName(entry.subspan(std::min(start, entry.size())), e.reelName)) {
            e.hasReelName = true;
            break;
        }
    }
    return e;
}

void TimecodeSampleEntry::write(ByteWriter& w) const {
    auto entry = w.beginAtom(kTmcd);
    w.zeros(6);
    w.u16(dataReferenceIndex);
    w.u32(0);
    w.s32(format.flags);
    w.s32(format.timeScale);
    w.s32(format.frameDuration);
    w.u8(format.numFrames);
    w.u8(0);
    if (hasReelName) {
        const auto name = std::string_view(reelName).substr(0, kMaxReelNameBytes);
        auto item = w.beginAtom(kName);
        w.u16(std::uint16_t(name.size()));
        w.u16(0); // language: English
        w.text(name);
        w.endAtom(item);
    }
    w.endAtom(entry);
}

std::vector<std::uint8_t> TimecodeSampleEntry::bytes() const {
    ByteWriter w;
    write(w);
    return w.take();
}

} // namespace korvel::qtff
