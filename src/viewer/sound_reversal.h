// SPDX-License-Identifier: MIT
#pragma once

// Reverse play of sound: the interleaved sample frames of a block in the opposite order, each
// frame's channels (and each sample's bytes) kept as they are.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvel::viewer {

/// The frames of `block` (`frameBytes` bytes each: all channels of one instant) last first. A
/// trailing part of a frame is dropped.
std::vector<std::uint8_t> reverseSampleFrames(std::span<const std::uint8_t> block,
                                              std::size_t frameBytes);

} // namespace korvel::viewer
