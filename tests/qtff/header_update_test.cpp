// SPDX-License-Identifier: MIT
#include "qtff/movie_file.h"

#include "fault_injecting_file.h"
#include "test_movies.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace korvel::qtff {
namespace {

const TimecodeFormat kPal{2, 25, 1, 25};

// Owns a memory file while a MovieFile works on it.
struct Opened {
    MemoryFile* file;
    MovieFile movie;
};

Opened openMemory(std::vector<std::uint8_t> bytes, bool writable = true) {
    auto mem = std::make_unique<MemoryFile>(std::move(bytes), writable);
    auto* raw = mem.get();
    auto movie = MovieFile::open(std::move(mem));
    EXPECT_TRUE(movie.ok()) << movie.error().message;
    return {raw, std::move(*movie)};
}

int countTopLevel(const MovieFile& m, FourCC type) {
    return int(std::count_if(m.layout().atoms.begin(), m.layout().atoms.end(), [&](const auto& a) { return a.type == type; }));
}

// The bytes every test movie's tracks point at, read through the chunk offsets.
void expectMediaIntact(MovieFile& m) {
    const auto media = testing::testMedia();
    auto tracks = m.movie().tracks();
    ASSERT_TRUE(tracks.ok());
    for (const auto& t : *tracks) {
        if (t.handlerType == fourCC("tmcd")) continue;
        auto bytes = m.file().read(t.chunkOffsets.at(0), 16);
        ASSERT_TRUE(bytes.ok());
        const std::size_t base = t.handlerType == fourCC("vide") ? 0 : 16;
        EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), media.begin() + std::ptrdiff_t(base)));
    }
}

TEST(HeaderUpdate, AddsThenReadsThenDeletes) {
    for (bool moovFirst : {false, true}) {
        auto opened = openMemory(testing::makeTestMovie({.moovFirst = moovFirst}));
        auto& m = opened.movie;
        ASSERT_FALSE(m.readTimecode()->has_value());
        ASSERT_TRUE(m.addTimecodeTrack({kPal, 90000, "A001"}).ok());
        EXPECT_EQ(countTopLevel(m, fourCC("moov")), 1);
        auto tc = m.readTimecode();
        ASSERT_TRUE(tc.ok() && tc->has_value());
        EXPECT_EQ((*tc)->startFrame, 90000);
        EXPECT_EQ((*tc)->description.reelName, "A001");
        expectMediaIntact(m);

        // A fresh open sees the same.
        auto again = MovieFile::open(std::make_unique<MemoryFile>(opened.file->bytes()));
        ASSERT_TRUE(again.ok());
        EXPECT_EQ((*again->readTimecode())->startFrame, 90000);

        auto removed = m.deleteTimecodeTracks();
        ASSERT_TRUE(removed.ok());
        EXPECT_EQ(*removed, 1);
        EXPECT_FALSE(m.readTimecode()->has_value());
        EXPECT_EQ(countTopLevel(m, fourCC("moov")), 1);
        expectMediaIntact(m);
    }
}

TEST(HeaderUpdate, AddDeleteCyclesDoNotGrowTheFile) {
    auto opened = openMemory(testing::makeTestMovie());
    auto& m = opened.movie;
    std::size_t sizeAfterFirstCycle = 0;
    for (int cycle = 0; cycle < 12; ++cycle) {
        ASSERT_TRUE(m.addTimecodeTrack({kPal, cycle, "REEL"}).ok());
        ASSERT_EQ((*m.readTimecode())->startFrame, cycle);
        ASSERT_TRUE(m.deleteTimecodeTracks().ok());
        if (cycle == 1) sizeAfterFirstCycle = opened.file->bytes().size();
    }
    EXPECT_EQ(opened.file->bytes().size(), sizeAfterFirstCycle);
    expectMediaIntact(m);
}

TEST(HeaderUpdate, GivesARealSizeToAnAtomRunningToTheEnd) {
    auto bytes = testing::makeTestMovie({.moovFirst = true});
    // The media atom is last: store its size as 0.
    auto mem = std::make_unique<MemoryFile>(bytes);
    auto layout = scanFile(*mem);
    const auto mdat = layout->atoms.back();
    ASSERT_EQ(mdat.type, fourCC("mdat"));
    std::fill_n(bytes.begin() + std::ptrdiff_t(mdat.offset), 4, 0);
    auto opened = openMemory(bytes);
    EXPECT_TRUE(opened.movie.layout().atoms.back().sizeToEnd);
    ASSERT_TRUE(opened.movie.addTimecodeTrack({kPal, 5, "R"}).ok());
    const auto& atoms = opened.movie.layout().atoms;
    EXPECT_EQ(atoms[atoms.size() - 3].size, mdat.size);
    EXPECT_EQ((*opened.movie.readTimecode())->startFrame, 5);
    expectMediaIntact(opened.movie);
}

TEST(HeaderUpdate, RefusesWhatItCannotChangeSafely) {
    auto withMoovChild = [](const char (&type)[5]) {
        auto bytes = testing::makeTestMovie();
        MemoryFile mem(bytes);
        auto layout = scanFile(mem);
        const auto moov = layout->atoms.back();
        auto atom = *parseAtom(std::span(bytes.data() + moov.offset, moov.size));
        atom.children.push_back(Atom::leaf(fourCC(type), {0, 0, 0, 0}));
        bytes.resize(moov.offset);
        const auto b = atomBytes(atom);
        bytes.insert(bytes.end(), b.begin(), b.end());
        return bytes;
    };
    auto withTopLevel = [](const char (&type)[5], std::vector<std::uint8_t> tail = {}) {
        auto bytes = testing::makeTestMovie();
        const auto b = atomBytes(Atom::leaf(fourCC(type), {1, 2, 3, 4}));
        bytes.insert(bytes.end(), b.begin(), b.end());
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool writable;
        const char* message;
    };
    const std::vector<Case> cases{
        {"compressed header", withMoovChild("cmov"), true, "compressed"},
        {"fragmented header", withMoovChild("mvex"), true, "fragmented"},
        {"movie fragment", withTopLevel("moof"), true, "fragmented"},
        {"media cut off", [] {
             auto bytes = testing::makeTestMovie({.moovFirst = true});
             bytes.resize(bytes.size() - 4);
             return bytes;
         }(), true, "truncated"},
        {"read-only", testing::makeTestMovie(), false, "read-only"},
    };
    for (const auto& c : cases) {
        auto opened = openMemory(c.bytes, c.writable);
        auto status = opened.movie.addTimecodeTrack({kPal, 1, "R"});
        ASSERT_FALSE(status.ok()) << c.name;
        EXPECT_NE(status.error().message.find(c.message), std::string::npos) << c.name << ": " << status.error().message;
        EXPECT_EQ(opened.file->bytes(), c.bytes) << c.name << ": the file must be unchanged";
        EXPECT_FALSE(opened.movie.deleteTimecodeTracks().ok()) << c.name;
    }
}

TEST(HeaderUpdate, WritesOverACutOffAtomAtTheEnd) {
    // What an append cut short by a crash leaves: part of an atom after the last whole one.
    auto bytes = testing::makeTestMovie();
    const std::vector<std::uint8_t> cut{0, 0, 4, 0, 'm', 'o', 'o', 'v', 0, 0};
    bytes.insert(bytes.end(), cut.begin(), cut.end());
    auto opened = openMemory(bytes);
    ASSERT_TRUE(opened.movie.addTimecodeTrack({kPal, 3, "R"}).ok());
    EXPECT_EQ(opened.file->bytes().size(), bytes.size() - cut.size() + 12 + opened.movie.layout().atoms.back().size);
    EXPECT_EQ(opened.movie.layout().unparsedTail, 0u);
    EXPECT_EQ((*opened.movie.readTimecode())->startFrame, 3);
    expectMediaIntact(opened.movie);
}

TEST(HeaderUpdate, OpenRefusesFilesThatAreNotMovies) {
    for (const std::string& text : std::vector<std::string>{"", "hello world, this is not a movie", std::string("\0\0\0\x08" "free", 8)}) {
        auto m = MovieFile::open(std::make_unique<MemoryFile>(std::vector<std::uint8_t>(text.begin(), text.end())));
        ASSERT_FALSE(m.ok());
        EXPECT_NE(m.error().message.find("not a QuickTime movie"), std::string::npos) << m.error().message;
    }
}

// Kills the update after every possible number of writes and flushes; the file must then hold
// exactly the old or the new timecode state, and the next update must still work.
TEST(HeaderUpdate, SurvivesBeingKilledAtEveryWrite) {
    struct Step {
        const char* name;
        bool add; // else delete
    };
    // Starting from a movie that already went through an add and a delete, so that freed space is
    // reused (a different write path from appending).
    auto base = openMemory(testing::makeTestMovie());
    ASSERT_TRUE(base.movie.addTimecodeTrack({kPal, 7, "OLD"}).ok());
    const auto withTimecode = base.file->bytes();
    ASSERT_TRUE(base.movie.deleteTimecodeTracks().ok());
    const auto withoutTimecode = base.file->bytes();

    for (const auto& step : {Step{"add, appending", true}, Step{"add, reusing", true}, Step{"delete", false}}) {
        const bool appending = std::string(step.name).find("appending") != std::string::npos;
        const auto start = step.add ? (appending ? testing::makeTestMovie() : withoutTimecode) : withTimecode;
        const std::optional<std::int32_t> before = step.add ? std::nullopt : std::optional<std::int32_t>(7);
        const std::optional<std::int32_t> after = step.add ? std::optional<std::int32_t>(90000) : std::nullopt;
        bool completed = false;
        for (int n = 0; !completed; ++n) {
            auto mem = std::make_unique<MemoryFile>(start);
            auto* disk = mem.get();
            auto injecting = std::make_unique<testing::FaultInjectingFile>(std::move(mem), n);
            auto* faults = injecting.get();
            auto movie = MovieFile::open(std::move(injecting));
            ASSERT_TRUE(movie.ok());
            Status status = step.add ? movie->addTimecodeTrack({kPal, 90000, "NEW"})
                                     : Status(movie->deleteTimecodeTracks().ok() ? Status() : Status(makeError("x")));
            completed = !faults->killed();
            EXPECT_EQ(status.ok(), completed) << step.name << " n=" << n;

            auto reopened = MovieFile::open(std::make_unique<MemoryFile>(disk->bytes()));
            ASSERT_TRUE(reopened.ok()) << step.name << " n=" << n << ": " << reopened.error().message;
            auto tc = reopened->readTimecode();
            ASSERT_TRUE(tc.ok());
            const auto state = tc->has_value() ? (*tc)->startFrame : std::nullopt;
            EXPECT_TRUE(state == before || state == after) << step.name << " n=" << n;
            // The interrupted MovieFile itself sees what the file holds.
            auto own = movie->readTimecode();
            ASSERT_TRUE(own.ok());
            EXPECT_EQ(own->has_value() ? (*own)->startFrame : std::nullopt, state) << step.name << " n=" << n;
            if (completed) {
                EXPECT_EQ(state, after) << step.name;
            }
            expectMediaIntact(*reopened);
            // The interrupted file takes the next change as any other.
            ASSERT_TRUE(reopened->deleteTimecodeTracks().ok()) << step.name << " n=" << n;
            ASSERT_TRUE(reopened->addTimecodeTrack({kPal, 42, "NEXT"}).ok()) << step.name << " n=" << n;
            EXPECT_EQ((*reopened->readTimecode())->startFrame, 42);
            ASSERT_LT(n, 20) << "an update takes a handful of writes";
        }
    }
}

} // namespace
} // namespace korvel::qtff
