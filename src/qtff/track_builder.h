// SPDX-License-Identifier: MIT
#pragma once

// Builders for the atoms of a track and of a new movie, written the way QuickTime writes them
// (version-0 headers unless a time needs 64 bits). The timecode track and the sound track of
// a new movie are both put together from these and the typed atoms.

#include "qtff/atom.h"
#include "qtff/atoms/atom_fields.h"
#include "qtff/atoms/tkhd_atom.h"

#include <cstdint>
#include <string_view>

namespace korvel::qtff {

/// Seconds since 1904-01-01, the epoch of movie dates, for now.
std::uint64_t macTimeNow();

/// A movie, track or media header (MvhdAtom, TkhdAtom, MdhdAtom) as written: version 1 only
/// when its duration or creation time needs 64 bits, modified when it was created.
template <class Header> Atom makeHeader(Header header) {
    header.version = versionFor({header.duration, header.creationTime});
    header.modificationTime = header.creationTime;
    return toAtom(header);
}
/// 'edts' with one edit: the whole media from media time 0 at rate 1.
Atom makeEdts(std::uint64_t duration);
/// A media handler ('mhlr') of this subtype.
Atom makeMediaHandler(FourCC subtype, std::string_view name);
/// 'dinf' with one 'alis' entry that refers to the movie's own file.
Atom makeSelfDinf();
/// The data handler 'hdlr' that goes with `makeSelfDinf`.
Atom makeSelfDataHandler();
/// 'ftyp' of a QuickTime movie (major and compatible brand 'qt  ').
Atom makeQuickTimeFtyp();

} // namespace korvel::qtff
