// SPDX-License-Identifier: MIT
#include "viewer/sound_reversal.h"

#include <algorithm>

namespace korvel::viewer {

std::vector<std::uint8_t> reverseSampleFrames(std::span<const std::uint8_t> block,
                                              std::size_t frameBytes) {
    if (frameBytes == 0)
        return {};
    const std::size_t frames = block.size() / frameBytes;
    std::vector<std::uint8_t> out(frames * frameBytes);
    for (std::size_t i = 0; i < frames; ++i)
        std::copy_n(block.begin() + std::ptrdiff_t((frames - 1 - i) * frameBytes), frameBytes,
                    out.begin() + std::ptrdiff_t(i * frameBytes));
    return out;
}

} // namespace korvel::viewer
