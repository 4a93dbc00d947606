// SPDX-License-Identifier: MIT
#include "qtff/atom.h"
#include "qtff/movie.h"
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

TEST(Atom, WritesBackWhatItReadByteForByte) {
    const auto file = testing::makeTestMovie();
    MemoryFile mem(file);
    auto layout = scanFile(mem);
    ASSERT_TRUE(layout.ok());
    ASSERT_EQ(layout->atoms.size(), 3u);
    const auto& moov = layout->atoms[2];
    std::span<const std::uint8_t> bytes(file.data() + moov.offset, moov.size);
    auto atom = parseAtom(bytes);
    ASSERT_TRUE(atom.ok()) << atom.error().message;
    EXPECT_EQ(atomBytes(*atom), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

TEST(Atom, KeepsLargeSizesAndTrailingBytes) {
    // moov { free (64-bit size) ; 4 zero bytes }
    ByteWriter w;
    auto moov = w.beginAtom(fourCC("moov"));
    w.u32(1);
    w.fourCC(fourCC("free"));
    w.u64(18);
    w.u16(0xBEEF);
    w.u32(0);
    w.endAtom(moov);
    auto atom = parseAtom(w.data());
    ASSERT_TRUE(atom.ok()) << atom.error().message;
    ASSERT_EQ(atom->children.size(), 1u);
    EXPECT_TRUE(atom->children[0].largeSize);
    EXPECT_EQ(atom->trailer.size(), 4u);
    EXPECT_EQ(atomBytes(*atom), w.data());
}

TEST(Atom, RefusesChildrenLargerThanTheirParent) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    {
        auto b = header(16, "moov");
        auto c = header(100, "trak");
        b.insert(b.end(), c.begin(), c.end());
        cases.push_back({"child too long", b});
    }
    {
        auto b = header(16, "moov");
        auto c = header(4, "trak");
        b.insert(b.end(), c.begin(), c.end());
        cases.push_back({"child shorter than its header", b});
    }
    {
        ByteWriter w;
        w.u32(24);
        w.fourCC(fourCC("moov"));
        w.u32(1);
        w.fourCC(fourCC("trak"));
        w.u64(~0ull);
        cases.push_back({"64-bit size beyond the parent", w.take()});
    }
    {
        // Deep nesting: 40 levels of 'trak'.
        std::vector<std::uint8_t> b;
        for (int i = 40; i > 0; --i) {
            auto h = header(std::uint32_t(8 * i), "trak");
            b.insert(b.end(), h.begin(), h.end());
        }
        cases.push_back({"nesting too deep", b});
    }
    for (const auto& c : cases)
        EXPECT_FALSE(parseAtom(c.bytes).ok()) << c.name;
}

TEST(Atom, ScanFindsSizeToEndAndLargeSizesAndDamagedTails) {
    auto file = header(16, "ftyp");
    file.resize(16);
    ByteWriter large;
    large.u32(1);
    large.fourCC(fourCC("mdat"));
    large.u64(20);
    large.u32(0xDEADBEEF);
    file.insert(file.end(), large.data().begin(), large.data().end());
    auto last = header(0, "moov");
    last.resize(12);
    file.insert(file.end(), last.begin(), last.end());
    MemoryFile mem(file);
    auto layout = scanFile(mem);
    ASSERT_TRUE(layout.ok());
    ASSERT_EQ(layout->atoms.size(), 3u);
    EXPECT_EQ(layout->atoms[1].headerSize, 16u);
    EXPECT_EQ(layout->atoms[1].size, 20u);
    EXPECT_TRUE(layout->atoms[2].sizeToEnd);
    EXPECT_EQ(layout->atoms[2].size, 12u);
    EXPECT_EQ(layout->unparsedTail, 0u);

    auto damaged = header(16, "ftyp");
    damaged.resize(16);
    auto over = header(100, "mdat");
    damaged.insert(damaged.end(), over.begin(), over.end());
    MemoryFile bad(damaged);
    auto badLayout = scanFile(bad);
    ASSERT_TRUE(badLayout.ok());
    EXPECT_EQ(badLayout->atoms.size(), 1u);
    EXPECT_EQ(badLayout->unparsedTail, 8u);
}

TEST(Movie, ReadsTracksAndSampleTables) {
    const auto file = testing::makeTestMovie();
    MemoryFile mem(file);
    auto layout = scanFile(mem);
    ASSERT_TRUE(layout.ok());
    const auto& m = layout->atoms[2];
    auto movie = Movie::parse(std::span(file.data() + m.offset, m.size));
    ASSERT_TRUE(movie.ok());
    auto header = movie->header();
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(header->timeScale, 600u);
    EXPECT_EQ(header->duration, 1200u);
    EXPECT_EQ(header->nextTrackId, 3u);
    auto tracks = movie->tracks();
    ASSERT_TRUE(tracks.ok()) << tracks.error().message;
    ASSERT_EQ(tracks->size(), 2u);
    const auto& v = (*tracks)[0];
    EXPECT_EQ(v.handlerType, fourCC("vide"));
    ASSERT_EQ(v.sampleDescriptions.size(), 1u);
    EXPECT_EQ(v.sampleDescriptions[0].format, fourCC("raw "));
    ASSERT_EQ(v.chunkOffsets.size(), 1u);
    EXPECT_EQ(file[std::size_t(v.chunkOffsets[0])], 0xA0)
        << "the chunk offset points at the first media byte";
    EXPECT_TRUE(v.hasUserData);
    EXPECT_EQ((*tracks)[1].handlerType, fourCC("soun"));
}

} // namespace
} // namespace korvel::qtff
