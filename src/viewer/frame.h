// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvel::viewer {

/// A picture ready for the display, 32 bits per pixel (B, G, R, 0xFF in memory), rows packed.
struct RgbFrame {
    std::int64_t index = 0; // the frame's place in showing order
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

using FramePtr = std::shared_ptr<const RgbFrame>;

/// A picture as the decoder gave it, in the decoder's own pixel format, shared by reference so
/// that keeping it costs no copy. Only the source that decoded it reads `picture`.
struct DecodedFrame {
    std::int64_t index = 0;
    /// Memory the picture holds (what the frame cache counts against its budget).
    std::size_t bytes = 0;
    std::shared_ptr<const void> picture;
};

} // namespace korvel::viewer
