// SPDX-License-Identifier: MIT
#include "qtff/atom.h"
#include "test_movies.h"

#include <gtest/gtest.h>

namespace korvel::qtff {
namespace {

std::vector<std::uint8_t> header(std::uint32_t size, const char (&type)[5]) {
    ByteWriter w;
    w.u32(size);
    w.fourCC(fourCC(type));
    return w.take();
}

std::vector<std::uint8_t> joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(Atom, WritesBackWhatItReadByteForByte) {
    // moov { free (64-bit size) ; 4 zero bytes }, then a whole movie's header.
    ByteWriter w;
    auto moov = w.beginAtom(fourCC("moov"));
    w.u32(1);
    w.fourCC(fourCC("free"));
    w.u64(18);
    w.u16(0xBEEF);
    w.u32(0);
    w.endAtom(moov);
    const auto file = testing::makeTestMovie();
    MemoryFile mem(file);
    const auto last = scanFile(mem)->atoms.back();
    for (const auto& bytes : {w.data(), std::vector<std::uint8_t>(file.begin() + last.offset,
                                                                  file.begin() + last.offset +
                                                                      std::ptrdiff_t(last.size))}) {
        auto atom = parseAtom(bytes);
        ASSERT_TRUE(atom.ok()) << atom.error().message;
        EXPECT_EQ(atomBytes(*atom), bytes);
    }
}

TEST(Atom, RefusesChildrenThatDoNotFitTheirParent) {
    ByteWriter huge;
    huge.u32(24);
    huge.fourCC(fourCC("moov"));
    huge.u32(1);
    huge.fourCC(fourCC("trak"));
    huge.u64(~0ull);
    std::vector<std::uint8_t> deep; // 40 levels of 'trak'
    for (int i = 40; i > 0; --i)
        deep = joined({deep, header(std::uint32_t(8 * i), "trak")});
    const std::vector<std::uint8_t> cases[] = {
        joined({header(16, "moov"), header(100, "trak")}),
        joined({header(16, "moov"), header(4, "trak")}),
        huge.take(),
        deep,
    };
    for (const auto& bytes : cases)
        EXPECT_FALSE(parseAtom(bytes).ok()) << bytes.size();
}

} // namespace
} // namespace korvel::qtff
