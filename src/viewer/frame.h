// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace korvel::viewer {

/// A decoded picture, 32 bits per pixel (B, G, R, 0xFF in memory), rows packed.
struct RgbFrame {
    std::int64_t index = 0; // the frame's place in showing order
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

using FramePtr = std::shared_ptr<const RgbFrame>;

} // namespace korvel::viewer
