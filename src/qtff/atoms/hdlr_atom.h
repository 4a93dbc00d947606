// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/atoms/atom_fields.h"

#include <string_view>

namespace korvel::qtff {

/// 'hdlr': the kind of a media ('mhlr', subtype 'vide', 'soun', 'tmcd', ...) or of a data
/// handler ('dhlr', subtype 'alis', 'url ').
struct HdlrAtom {
    std::uint32_t versionAndFlags = 0;
    FourCC componentType = 0;
    FourCC subtype = 0;
    FourCC manufacturer = 0;
    std::uint32_t componentFlags = 0;
    std::uint32_t componentFlagsMask = 0;
    /// The name as stored: a Pascal string in QuickTime, a C string in ISO files.
    std::vector<std::uint8_t> name;

    /// A handler named by a Pascal string, as QuickTime writes it.
    static HdlrAtom named(FourCC componentType, FourCC subtype, std::string_view name);

    static constexpr FourCC type() { return fourCC("hdlr"); }
    static Result<HdlrAtom> parse(std::span<const std::uint8_t> payload);
    void write(ByteWriter& writer) const;
    friend bool operator==(const HdlrAtom&, const HdlrAtom&) = default;
};

} // namespace korvel::qtff
