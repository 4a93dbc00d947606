// SPDX-License-Identifier: MIT
#include "viewer/sound_reversal.h"

#include <gtest/gtest.h>

namespace korvel::viewer {
namespace {

TEST(SoundReversal, ReversesFramesBitExactAndKeepsChannelsTogether) {
    // Two channels of 24-bit samples: frames of 6 bytes.
    std::vector<std::uint8_t> block;
    for (std::uint8_t i = 0; i < 4 * 6; ++i)
        block.push_back(i);
    const auto reversed = reverseSampleFrames(block, 6);
    ASSERT_EQ(reversed.size(), block.size());
    for (std::size_t frame = 0; frame < 4; ++frame)
        for (std::size_t b = 0; b < 6; ++b)
            EXPECT_EQ(reversed[frame * 6 + b], block[(3 - frame) * 6 + b]);
    // Reversed twice is the original, bit for bit.
    EXPECT_EQ(reverseSampleFrames(reversed, 6), block);
}

TEST(SoundReversal, DropsATrailingPartialFrame) {
    const std::vector<std::uint8_t> block = {1, 2, 3, 4, 5};
    EXPECT_EQ(reverseSampleFrames(block, 2), (std::vector<std::uint8_t>{3, 4, 1, 2}));
    EXPECT_TRUE(reverseSampleFrames(block, 0).empty());
}

} // namespace
} // namespace korvel::viewer
