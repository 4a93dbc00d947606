// SPDX-License-Identifier: MIT
#include "qtff/byte_reader.h"
#include "qtff/byte_writer.h"

#include <gtest/gtest.h>

namespace korvel::qtff {
namespace {

TEST(ByteReader, ReadsBigEndianAndFailsForGoodAtTheEnd) {
    const std::vector<std::uint8_t> data{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    ByteReader r(data);
    EXPECT_EQ(r.u16(), 0x0102);
    EXPECT_EQ(r.u32(), 0x03040506u);
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(r.u16(), 0) << "past the end";
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.u8(), 0) << "a failed reader stays failed";
    EXPECT_TRUE(r.bytes(0).empty());
}

TEST(ByteWriter, NestedAtomsGetTheirSizes) {
    ByteWriter w;
    auto outer = w.beginAtom(fourCC("moov"));
    auto inner = w.beginFullAtom(fourCC("mvhd"), 1, 0x000203);
    w.u64(0x1122334455667788ull);
    w.endAtom(inner);
    w.endAtom(outer);
    const std::vector<std::uint8_t> expected{0,    0,    0,    28,   'm',  'o',  'o',  'v', 0, 0,
                                             0,    20,   'm',  'v',  'h',  'd',  1,    0,   2, 3,
                                             0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    EXPECT_EQ(w.data(), expected);
}

} // namespace
} // namespace korvel::qtff
