// SPDX-License-Identifier: MIT
#include "qtff/movie.h"

#include "qtff/byte_reader.h"

#include <algorithm>
#include <string>

namespace korvel::qtff {
namespace {

constexpr FourCC kMoov = fourCC("moov");
constexpr FourCC kTrak = fourCC("trak");
constexpr FourCC kTref = fourCC("tref");

Error badAtom(FourCC type, const std::string& what) {
    return makeError("'" + fourCCText(type) + "' atom " + what);
}

// Counts come from the file: check that the entries fit before reserving room for them.
Status checkCount(const Atom& atom, std::uint32_t count, std::size_t entrySize, std::size_t at) {
    if (atom.payload.size() < at || (atom.payload.size() - at) / entrySize < count) {
        return badAtom(atom.type, "lists more entries than it holds");
    }
    return {};
}

Status readTkhd(const Atom& a, TrackInfo& t) {
    const auto& p = a.payload;
    if (p.size() < 84)
        return badAtom(a.type, "is too short");
    t.flags = loadU32(p.data()) & 0xFFFFFF;
    if (p[0] == 1) {
        if (p.size() < 96)
            return badAtom(a.type, "is too short");
        t.trackId = loadU32(&p[20]);
        t.duration = loadU64(&p[28]);
        t.volume = loadU16(&p[48]);
        t.width = loadU32(&p[88]);
        t.height = loadU32(&p[92]);
    } else {
        t.trackId = loadU32(&p[12]);
        t.duration = loadU32(&p[20]);
        t.volume = loadU16(&p[36]);
        t.width = loadU32(&p[76]);
        t.height = loadU32(&p[80]);
    }
    return {};
}

Status readMdhd(const Atom& a, TrackInfo& t) {
    const auto& p = a.payload;
    if (p.size() < 20)
        return badAtom(a.type, "is too short");
    if (p[0] == 1) {
        if (p.size() < 32)
            return badAtom(a.type, "is too short");
        t.mediaTimeScale = loadU32(&p[20]);
        t.mediaDuration = loadU64(&p[24]);
    } else {
        t.mediaTimeScale = loadU32(&p[12]);
        t.mediaDuration = loadU32(&p[16]);
    }
    return {};
}

Status readElst(const Atom& a, TrackInfo& t) {
    const auto& p = a.payload;
    if (p.size() < 8)
        return badAtom(a.type, "is too short");
    const bool v1 = p[0] == 1;
    const auto count = loadU32(&p[4]);
    const std::size_t entry = v1 ? 20 : 12;
    if (auto s = checkCount(a, count, entry, 8); !s)
        return s;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto* e = &p[8 + i * entry];
        EditListEntry edit;
        if (v1) {
            edit.segmentDuration = loadU64(e);
            edit.mediaTime = std::int64_t(loadU64(e + 8));
            edit.mediaRate = std::int32_t(loadU32(e + 16));
        } else {
            edit.segmentDuration = loadU32(e);
            edit.mediaTime = std::int32_t(loadU32(e + 4));
            edit.mediaRate = std::int32_t(loadU32(e + 8));
        }
        t.edits.push_back(edit);
    }
    return {};
}

Status readStsd(const Atom& a, TrackInfo& t) {
    ByteReader r(a.payload);
    if (!r.skip(4))
        return badAtom(a.type, "is too short");
    auto count = r.u32();
    if (!count)
        return badAtom(a.type, "is too short");
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto start = r.position();
        auto size = r.u32();
        auto format = r.fourCC();
        if (!size || !format || *size < 16 || *size - 8 > r.remaining()) {
            return badAtom(a.type, "holds a sample description that does not fit");
        }
        SampleDescription d;
        d.format = *format;
        d.bytes.assign(a.payload.begin() + std::ptrdiff_t(start),
                       a.payload.begin() + std::ptrdiff_t(start + *size));
        d.dataReferenceIndex = loadU16(&d.bytes[14]);
        (void)r.skip(*size - 8);
        t.sampleDescriptions.push_back(std::move(d));
    }
    return {};
}

Status readStbl(const Atom& stbl, TrackInfo& t, bool tables) {
    if (const auto* a = stbl.child(fourCC("stsd")))
        if (auto s = readStsd(*a, t); !s)
            return s;
    if (const auto* a = stbl.child(fourCC("stts"))) {
        if (a->payload.size() < 8)
            return badAtom(a->type, "is too short");
        const auto count = loadU32(&a->payload[4]);
        if (auto s = checkCount(*a, count, 8, 8); !s)
            return s;
        for (std::uint32_t i = 0; tables && i < count; ++i)
            t.timeToSample.push_back(
                {loadU32(&a->payload[8 + 8 * i]), loadU32(&a->payload[12 + 8 * i])});
    }
    if (const auto* a = stbl.child(fourCC("stsc"))) {
        if (a->payload.size() < 8)
            return badAtom(a->type, "is too short");
        const auto count = loadU32(&a->payload[4]);
        if (auto s = checkCount(*a, count, 12, 8); !s)
            return s;
        for (std::uint32_t i = 0; tables && i < count; ++i) {
            const auto* e = &a->payload[8 + 12 * i];
            t.sampleToChunk.push_back({loadU32(e), loadU32(e + 4), loadU32(e + 8)});
        }
    }
    if (const auto* a = stbl.child(fourCC("stsz"))) {
        if (a->payload.size() < 12)
            return badAtom(a->type, "is too short");
        t.uniformSampleSize = loadU32(&a->payload[4]);
        t.sampleCount = loadU32(&a->payload[8]);
        if (t.uniformSampleSize == 0)
            if (auto s = checkCount(*a, t.sampleCount, 4, 12); !s)
                return s;
    }
    if (const auto* a = stbl.child(fourCC("stco"))) {
        if (a->payload.size() < 8)
            return badAtom(a->type, "is too short");
        const auto count = loadU32(&a->payload[4]);
        if (auto s = checkCount(*a, count, 4, 8); !s)
            return s;
        if (!tables)
            return {};
        t.chunkOffsets.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i)
            t.chunkOffsets.push_back(loadU32(&a->payload[8 + 4 * i]));
    } else if (const auto* b = stbl.child(fourCC("co64"))) {
        if (b->payload.size() < 8)
            return badAtom(b->type, "is too short");
        const auto count = loadU32(&b->payload[4]);
        if (auto s = checkCount(*b, count, 8, 8); !s)
            return s;
        t.chunkOffsets64 = true;
        if (!tables)
            return {};
        t.chunkOffsets.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i)
            t.chunkOffsets.push_back(loadU64(&b->payload[8 + 8 * i]));
    }
    return {};
}

} // namespace

Result<Movie> Movie::parse(std::span<const std::uint8_t> moovBytes) {
    auto atom = parseAtom(moovBytes);
    if (!atom)
        return atom.error();
    if (atom->type != kMoov)
        return makeError("not a movie header: '" + fourCCText(atom->type) + "'");
    return Movie(std::move(*atom));
}

Result<MovieHeader> Movie::header() const {
    const auto* mvhd = m_moov.child(fourCC("mvhd"));
    if (!mvhd)
        return makeError("the movie has no 'mvhd' header");
    const auto& p = mvhd->payload;
    MovieHeader h;
    if (!p.empty() && p[0] == 1) {
        if (p.size() < 112)
            return badAtom(mvhd->type, "is too short");
        h.timeScale = loadU32(&p[20]);
        h.duration = loadU64(&p[24]);
        h.nextTrackId = loadU32(&p[108]);
    } else {
        if (p.size() < 100)
            return badAtom(mvhd->type, "is too short");
        h.timeScale = loadU32(&p[12]);
        h.duration = loadU32(&p[16]);
        h.nextTrackId = loadU32(&p[96]);
    }
    return h;
}

Status Movie::setNextTrackId(std::uint32_t id) {
    auto* mvhd = m_moov.child(fourCC("mvhd"));
    if (!mvhd)
        return makeError("the movie has no 'mvhd' header");
    auto& p = mvhd->payload;
    const std::size_t at = (!p.empty() && p[0] == 1) ? 108 : 96;
    if (p.size() < at + 4)
        return badAtom(mvhd->type, "is too short");
    p[at] = std::uint8_t(id >> 24);
    p[at + 1] = std::uint8_t(id >> 16);
    p[at + 2] = std::uint8_t(id >> 8);
    p[at + 3] = std::uint8_t(id);
    return {};
}

Result<TrackInfo> readTrackInfo(const Atom& trak, TrackDetail detail) {
    TrackInfo t;
    const auto* tkhd = trak.child(fourCC("tkhd"));
    if (!tkhd)
        return makeError("a track has no 'tkhd' header");
    if (auto s = readTkhd(*tkhd, t); !s)
        return s.error();
    t.handlerType = trackHandlerType(trak);
    if (detail == TrackDetail::Header)
        return t;
    if (const auto* elst = trak.find({fourCC("edts"), fourCC("elst")}))
        if (auto s = readElst(*elst, t); !s)
            return s.error();
    if (const auto* tref = trak.child(kTref)) {
        for (const auto& list : tref->children) {
            TrackReference ref;
            ref.type = list.type;
            for (std::size_t i = 0; i + 4 <= list.payload.size(); i += 4)
                ref.trackIds.push_back(loadU32(&list.payload[i]));
            t.references.push_back(std::move(ref));
        }
    }
    t.hasUserData = trak.child(fourCC("udta")) != nullptr;
    if (const auto* mdhd = trak.find({fourCC("mdia"), fourCC("mdhd")}))
        if (auto s = readMdhd(*mdhd, t); !s)
            return s.error();
    if (const auto* stbl = trak.find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")}))
        if (auto s = readStbl(*stbl, t, detail == TrackDetail::Full); !s)
            return s.error();
    return t;
}

FourCC trackHandlerType(const Atom& trak) {
    const auto* hdlr = trak.find({fourCC("mdia"), fourCC("hdlr")});
    if (!hdlr || hdlr->payload.size() < 12)
        return 0;
    return loadU32(&hdlr->payload[8]);
}

std::uint32_t trackId(const Atom& trak) {
    const auto* tkhd = trak.child(fourCC("tkhd"));
    if (!tkhd || tkhd->payload.size() < 24)
        return 0;
    return loadU32(&tkhd->payload[tkhd->payload[0] == 1 ? 20 : 12]);
}

Result<std::vector<TrackInfo>> Movie::tracks(TrackDetail detail) const {
    std::vector<TrackInfo> out;
    for (const auto* trak : trackAtoms()) {
        auto info = readTrackInfo(*trak, detail);
        if (!info)
            return info.error();
        out.push_back(std::move(*info));
    }
    return out;
}

std::vector<Atom*> Movie::trackAtoms() {
    std::vector<Atom*> out;
    for (auto& c : m_moov.children)
        if (c.type == kTrak)
            out.push_back(&c);
    return out;
}

std::vector<const Atom*> Movie::trackAtoms() const {
    std::vector<const Atom*> out;
    for (const auto& c : m_moov.children)
        if (c.type == kTrak)
            out.push_back(&c);
    return out;
}

void Movie::appendTrack(Atom trak) {
    auto& kids = m_moov.children;
    auto at = kids.end();
    for (auto it = kids.begin(); it != kids.end(); ++it)
        if (it->type == kTrak || it->type == fourCC("mvhd"))
            at = it + 1;
    kids.insert(at, std::move(trak));
}

int Movie::removeTracks(std::span<const std::uint32_t> ids) {
    auto gone = [&](std::uint32_t id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    auto& kids = m_moov.children;
    const auto before = kids.size();
    std::erase_if(kids, [&](const Atom& a) { return a.type == kTrak && gone(trackId(a)); });
    const int removed = int(before - kids.size());
    // A reference to a track that is gone would point at nothing: drop it, and drop lists and
    // 'tref' atoms that end up empty.
    for (auto& trak : kids) {
        if (trak.type != kTrak)
            continue;
        auto* tref = trak.child(kTref);
        if (!tref || tref->children.empty())
            continue;
        // Lists this removal empties go; anything else in 'tref' stays as it was.
        std::vector<Atom> kept;
        for (auto& list : tref->children) {
            if (list.payload.empty() || list.payload.size() % 4 != 0) {
                kept.push_back(std::move(list));
                continue;
            }
            std::vector<std::uint8_t> remaining;
            for (std::size_t i = 0; i + 4 <= list.payload.size(); i += 4)
                if (!gone(loadU32(&list.payload[i])))
                    remaining.insert(remaining.end(), &list.payload[i], &list.payload[i] + 4);
            if (remaining.empty())
                continue;
            list.payload = std::move(remaining);
            kept.push_back(std::move(list));
        }
        tref->children = std::move(kept);
        if (tref->children.empty() && tref->trailer.empty())
            std::erase_if(trak.children, [](const Atom& a) { return a.type == kTref; });
    }
    return removed;
}

void addTrackReference(Atom& trak, FourCC type, std::uint32_t targetId) {
    auto* tref = trak.child(kTref);
    if (!tref) {
        // After the header and edit list, before the media: where QuickTime and FFmpeg put it.
        auto at = trak.children.begin();
        for (auto it = trak.children.begin(); it != trak.children.end(); ++it)
            if (it->type == fourCC("tkhd") || it->type == fourCC("edts"))
                at = it + 1;
        tref = &*trak.children.insert(at, Atom::box(kTref));
    }
    auto* list = tref->child(type);
    if (!list) {
        tref->children.push_back(Atom::leaf(type, {}));
        list = &tref->children.back();
    }
    ByteWriter w;
    w.u32(targetId);
    list->payload.insert(list->payload.end(), w.data().begin(), w.data().end());
}

} // namespace korvel::qtff
