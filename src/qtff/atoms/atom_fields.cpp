// SPDX-License-Identifier: MIT
#include "qtff/atoms/atom_fields.h"

namespace korvel::qtff {

void writeVersioned(ByteWriter& writer, std::uint8_t version, std::uint64_t value) {
    if (version == 1)
        writer.u64(value);
    else
        writer.u32(std::uint32_t(value));
}

std::uint8_t versionFor(std::initializer_list<std::uint64_t> times) {
    for (auto t : times)
        if (t > 0xFFFFFFFFu)
            return 1;
    return 0;
}

} // namespace korvel::qtff
