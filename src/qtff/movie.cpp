// SPDX-License-Identifier: MIT
#include "qtff/movie.h"

#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/hdlr_atom.h"
#include "qtff/atoms/mdhd_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/atoms/tkhd_atom.h"

#include <algorithm>
#include <string>

namespace korvel::qtff {
namespace {

constexpr FourCC kMoov = fourCC("moov");
constexpr FourCC kTrak = fourCC("trak");
constexpr FourCC kTref = fourCC("tref");

// Parses the child of `parent` of type T into `out`; nothing when there is none.
template <class T> Status readChild(const Atom* parent, std::optional<T>& out) {
    const auto* atom = parent ? parent->child(T::type()) : nullptr;
    if (!atom)
        return {};
    auto parsed = T::parse(atom->payload);
    if (!parsed)
        return parsed.error();
    out = std::move(*parsed);
    return {};
}

Status readStbl(const Atom& stbl, TrackInfo& t, bool tables) {
    std::optional<StsdAtom> stsd;
    std::optional<SttsAtom> stts;
    std::optional<StscAtom> stsc;
    std::optional<StszAtom> stsz;
    for (const auto& s : {readChild(&stbl, stsd), readChild(&stbl, stts), readChild(&stbl, stsc),
                          readChild(&stbl, stsz)})
        if (!s)
            return s;
    if (stsd)
        t.sampleDescriptions = std::move(stsd->entries);
    if (stsz) {
        t.uniformSampleSize = stsz->uniformSize;
        t.sampleCount = stsz->sampleCount;
    }
    if (const auto* atom = chunkOffsetTable(stbl)) {
        auto offsets = ChunkOffsetAtom::parse(atom->type, atom->payload);
        if (!offsets)
            return offsets.error();
        t.chunkOffsets64 = offsets->wide;
        if (tables)
            t.chunkOffsets = std::move(offsets->offsets);
    }
    if (tables && stts)
        t.timeToSample = std::move(stts->entries);
    if (tables && stsc)
        t.sampleToChunk = std::move(stsc->entries);
    return {};
}

// The reference lists of a 'tref' atom; lists that do not read are passed over.
std::vector<TrackReferenceAtom> readReferences(const Atom* tref) {
    std::vector<TrackReferenceAtom> references;
    for (const auto& list : tref ? tref->children : std::vector<Atom>{})
        if (auto read = TrackReferenceAtom::parse(list.type, list.payload))
            references.push_back(std::move(*read));
    return references;
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

Result<MvhdAtom> Movie::header() const {
    const auto* mvhd = m_moov.child(MvhdAtom::type());
    if (!mvhd)
        return makeError("the movie has no 'mvhd' header");
    return MvhdAtom::parse(mvhd->payload);
}

Status Movie::setNextTrackId(std::uint32_t id) {
    auto header = this->header();
    if (!header)
        return header.error();
    header->nextTrackId = id;
    store(*m_moov.child(MvhdAtom::type()), *header);
    return {};
}

Result<TrackInfo> readTrackInfo(const Atom& trak, TrackDetail detail) {
    const auto* tkhdAtom = trak.child(TkhdAtom::type());
    if (!tkhdAtom)
        return makeError("a track has no 'tkhd' header");
    auto tkhd = TkhdAtom::parse(tkhdAtom->payload);
    if (!tkhd)
        return tkhd.error();
    TrackInfo t;
    t.trackId = tkhd->trackId;
    t.flags = tkhd->flags;
    t.duration = tkhd->duration;
    t.width = tkhd->width;
    t.height = tkhd->height;
    t.volume = tkhd->volume;
    t.handlerType = trackHandlerType(trak);
    if (detail == TrackDetail::Header)
        return t;
    std::optional<ElstAtom> elst;
    if (auto s = readChild(trak.child(fourCC("edts")), elst); !s)
        return s.error();
    if (elst)
        t.edits = std::move(elst->entries);
    t.references = readReferences(trak.child(kTref));
    t.hasUserData = trak.child(fourCC("udta")) != nullptr;
    std::optional<MdhdAtom> mdhd;
    if (auto s = readChild(trak.child(fourCC("mdia")), mdhd); !s)
        return s.error();
    if (mdhd) {
        t.mediaTimeScale = mdhd->timeScale;
        t.mediaDuration = mdhd->duration;
    }
    if (const auto* stbl = trak.find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")}))
        if (auto s = readStbl(*stbl, t, detail == TrackDetail::Full); !s)
            return s.error();
    return t;
}

FourCC trackHandlerType(const Atom& trak) {
    std::optional<HdlrAtom> hdlr;
    if (!readChild(trak.child(fourCC("mdia")), hdlr) || !hdlr)
        return 0;
    return hdlr->subtype;
}

std::uint32_t trackId(const Atom& trak) {
    std::optional<TkhdAtom> tkhd;
    if (!readChild(&trak, tkhd) || !tkhd)
        return 0;
    return tkhd->trackId;
}

void forEachChunkOffset(const Movie& movie, const std::function<void(std::uint64_t)>& visit) {
    for (const auto* trak : movie.trackAtoms()) {
        const auto* stbl = trak->find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")});
        for (const auto& table : stbl ? stbl->children : std::vector<Atom>{}) {
            if (table.type != fourCC("stco") && table.type != fourCC("co64"))
                continue;
            if (auto offsets = ChunkOffsetAtom::parse(table.type, table.payload))
                for (auto offset : offsets->offsets)
                    visit(offset);
        }
    }
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
            auto read = TrackReferenceAtom::parse(list.type, list.payload);
            if (read && std::erase_if(read->trackIds, gone) > 0) {
                if (read->trackIds.empty())
                    continue;
                store(list, *read);
            }
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
    // A list that does not read (a partial ID) starts again.
    auto read = TrackReferenceAtom::parse(type, list->payload);
    auto references = read ? std::move(*read) : TrackReferenceAtom{type, {}};
    references.trackIds.push_back(targetId);
    store(*list, references);
}

} // namespace korvel::qtff
