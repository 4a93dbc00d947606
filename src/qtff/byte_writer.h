// SPDX-License-Identifier: MIT
#pragma once

#include "qtff/four_cc.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace korvel::qtff {

/// Appends big-endian numbers and atoms to a growing byte buffer.
///
/// Atoms are written by bracketing their body:
///
///     auto at = w.beginAtom(fourCC("tkhd"));
///     w.u32(0);             // version and flags
///     ...
///     w.endAtom(at);        // patches the 32-bit size
///
/// Full atoms (version + flags) start with `beginFullAtom`. Atoms nest freely.
class ByteWriter {
  public:
    /// Where an atom began, for `endAtom`.
    struct AtomMark {
        std::size_t start;
    };

    void u8(std::uint8_t v) { m_bytes.push_back(v); }
    void u16(std::uint16_t v);
    void u24(std::uint32_t v);
    void u32(std::uint32_t v);
    void u64(std::uint64_t v);
    void s32(std::int32_t v) { u32(std::uint32_t(v)); }
    void fourCC(FourCC v) { u32(v); }
    void bytes(std::span<const std::uint8_t> data) {
        m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    }
    void text(std::string_view data) { m_bytes.insert(m_bytes.end(), data.begin(), data.end()); }
    void zeros(std::size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    /// A Pascal string: one count byte, then at most 255 bytes of text.
    void pascalString(std::string_view text);

    AtomMark beginAtom(FourCC type);
    AtomMark beginFullAtom(FourCC type, std::uint8_t version, std::uint32_t flags);
    /// Writes the atom's final 32-bit size into its header. Bodies of 4 GiB or more are for
    /// media data only and are written by hand with a 64-bit header.
    void endAtom(AtomMark mark);

    void patchU32(std::size_t offset, std::uint32_t v);
    void reserve(std::size_t bytes) { m_bytes.reserve(bytes); }

    std::size_t size() const { return m_bytes.size(); }
    const std::vector<std::uint8_t>& data() const { return m_bytes; }
    std::vector<std::uint8_t> take() { return std::move(m_bytes); }

  private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace korvel::qtff
