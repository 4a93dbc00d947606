// SPDX-License-Identifier: MIT
#include "qtff/track_builder.h"

#include <chrono>

namespace korvel::qtff {
namespace {

constexpr std::uint64_t kMacEpochOffset = 2082844800;

void matrix(ByteWriter& w) {
    const std::uint32_t m[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (auto v : m)
        w.u32(v);
}

Atom bodyOf(FourCC type, ByteWriter& w) {
    return Atom::leaf(type, w.take());
}

bool needs64(std::uint64_t v) {
    return v > 0xFFFFFFFFu;
}

} // namespace

std::uint64_t macTimeNow() {
    const auto unix = std::chrono::duration_cast<std::chrono::seconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
    return std::uint64_t(unix) + kMacEpochOffset;
}

Atom makeMvhd(const MovieHeaderFields& f) {
    ByteWriter w;
    const bool v1 = needs64(f.duration) || needs64(f.creationTime);
    w.u8(v1 ? 1 : 0);
    w.u24(0);
    if (v1) {
        w.u64(f.creationTime);
        w.u64(f.creationTime);
        w.u32(f.timeScale);
        w.u64(f.duration);
    } else {
        w.u32(std::uint32_t(f.creationTime));
        w.u32(std::uint32_t(f.creationTime));
        w.u32(f.timeScale);
        w.u32(std::uint32_t(f.duration));
    }
    w.u32(0x00010000); // rate 1.0
    w.u16(0x0100);     // volume 1.0
    w.zeros(10);
    matrix(w);
    w.zeros(24); // preview, poster, selection, current time
    w.u32(f.nextTrackId);
    return bodyOf(fourCC("mvhd"), w);
}

Atom makeTkhd(const TrackHeaderFields& f) {
    ByteWriter w;
    const bool v1 = needs64(f.duration) || needs64(f.creationTime);
    w.u8(v1 ? 1 : 0);
    w.u24(f.flags);
    if (v1) {
        w.u64(f.creationTime);
        w.u64(f.creationTime);
        w.u32(f.trackId);
        w.u32(0);
        w.u64(f.duration);
    } else {
        w.u32(std::uint32_t(f.creationTime));
        w.u32(std::uint32_t(f.creationTime));
        w.u32(f.trackId);
        w.u32(0);
        w.u32(std::uint32_t(f.duration));
    }
    w.zeros(8);
    w.u16(0); // layer
    w.u16(0); // alternate group
    w.u16(f.volume);
    w.u16(0);
    matrix(w);
    w.u32(f.width);
    w.u32(f.height);
    return bodyOf(fourCC("tkhd"), w);
}

Atom makeEdts(std::uint64_t duration) {
    ByteWriter w;
    const bool v1 = needs64(duration);
    w.u8(v1 ? 1 : 0);
    w.u24(0);
    w.u32(1);
    if (v1) {
        w.u64(duration);
        w.u64(0);
    } else {
        w.u32(std::uint32_t(duration));
        w.u32(0);
    }
    w.u32(0x00010000);
    return Atom::box(fourCC("edts"), {bodyOf(fourCC("elst"), w)});
}

Atom makeMdhd(std::uint32_t timeScale, std::uint64_t duration, std::uint16_t language,
              std::uint64_t creationTime) {
    ByteWriter w;
    const bool v1 = needs64(duration) || needs64(creationTime);
    w.u8(v1 ? 1 : 0);
    w.u24(0);
    if (v1) {
        w.u64(creationTime);
        w.u64(creationTime);
        w.u32(timeScale);
        w.u64(duration);
    } else {
        w.u32(std::uint32_t(creationTime));
        w.u32(std::uint32_t(creationTime));
        w.u32(timeScale);
        w.u32(std::uint32_t(duration));
    }
    w.u16(language);
    w.u16(0); // quality
    return bodyOf(fourCC("mdhd"), w);
}

Atom makeHdlr(FourCC componentType, FourCC subtype, std::string_view name) {
    ByteWriter w;
    w.u32(0);
    w.fourCC(componentType);
    w.fourCC(subtype);
    w.u32(0); // manufacturer
    w.u32(0); // flags
    w.u32(0); // flags mask
    w.pascalString(name);
    return bodyOf(fourCC("hdlr"), w);
}

Atom makeSelfDinf() {
    ByteWriter w;
    w.u32(0);
    w.u32(1);
    auto entry = w.beginFullAtom(fourCC("alis"), 0, 1); // flag 1: the data is in this file
    w.endAtom(entry);
    return Atom::box(fourCC("dinf"), {bodyOf(fourCC("dref"), w)});
}

Atom makeSelfDataHandler() {
    return makeHdlr(fourCC("dhlr"), fourCC("alis"), "Alias Data Handler");
}

Atom makeStsd(std::span<const std::vector<std::uint8_t>> entries) {
    ByteWriter w;
    w.u32(0);
    w.u32(std::uint32_t(entries.size()));
    for (const auto& e : entries)
        w.bytes(e);
    return bodyOf(fourCC("stsd"), w);
}

Atom makeStts(std::span<const std::array<std::uint32_t, 2>> entries) {
    ByteWriter w;
    w.u32(0);
    w.u32(std::uint32_t(entries.size()));
    for (const auto& e : entries) {
        w.u32(e[0]);
        w.u32(e[1]);
    }
    return bodyOf(fourCC("stts"), w);
}

Atom makeStsc(std::span<const std::array<std::uint32_t, 3>> entries) {
    ByteWriter w;
    w.u32(0);
    w.u32(std::uint32_t(entries.size()));
    for (const auto& e : entries) {
        w.u32(e[0]);
        w.u32(e[1]);
        w.u32(e[2]);
    }
    return bodyOf(fourCC("stsc"), w);
}

Atom makeStszUniform(std::uint32_t sampleSize, std::uint32_t sampleCount) {
    ByteWriter w;
    w.u32(0);
    w.u32(sampleSize);
    w.u32(sampleCount);
    return bodyOf(fourCC("stsz"), w);
}

Atom makeChunkOffsets(std::span<const std::uint64_t> offsets) {
    bool wide = false;
    for (auto o : offsets)
        wide = wide || needs64(o);
    ByteWriter w;
    w.u32(0);
    w.u32(std::uint32_t(offsets.size()));
    for (auto o : offsets) {
        if (wide)
            w.u64(o);
        else
            w.u32(std::uint32_t(o));
    }
    return bodyOf(wide ? fourCC("co64") : fourCC("stco"), w);
}

Atom makeQuickTimeFtyp() {
    ByteWriter w;
    w.fourCC(fourCC("qt  "));
    w.u32(0x00000200);
    w.fourCC(fourCC("qt  "));
    return bodyOf(fourCC("ftyp"), w);
}

} // namespace korvel::qtff
