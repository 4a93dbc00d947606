// SPDX-License-Identifier: MIT
#include "qtff/byte_reader.h"
#include "qtff/byte_writer.h"

#include <gtest/gtest.h>

namespace korvel::qtff {
namespace {

TEST(ByteReader, ReadsBigEndianAndStopsAtTheEnd) {
    const std::vector<std::uint8_t> data{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    ByteReader r(data);
    EXPECT_EQ(*r.u16(), 0x0102);
    EXPECT_EQ(*r.u32(), 0x03040506u);
    EXPECT_FALSE(r.u16().ok());
    EXPECT_EQ(r.position(), 6u) << "a failed read must not move";
    EXPECT_EQ(*r.u8(), 0x07);
    EXPECT_FALSE(r.u8().ok());
}

TEST(ByteReader, SubReaderIsBoundedToItsSlice) {
    const std::vector<std::uint8_t> data{0, 0, 0, 9, 1, 2, 3, 4, 5, 6};
    ByteReader r(data);
    ASSERT_TRUE(r.skip(2).ok());
    auto sub = r.sub(4);
    ASSERT_TRUE(sub.ok());
    EXPECT_EQ(sub->remaining(), 4u);
    EXPECT_EQ(*sub->u32(), 0x00090102u);
    EXPECT_FALSE(sub->u8().ok());
    EXPECT_EQ(r.remaining(), 4u);
    EXPECT_FALSE(r.sub(5).ok());
    EXPECT_FALSE(r.skip(std::size_t(-1)).ok());
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
