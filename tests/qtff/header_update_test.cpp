// SPDX-License-Identifier: MIT
#include "faulty_disks.h"
#include "qtff/file_io.h"
#include "qtff/movie_file.h"
#include "support/outside_tools.h"
#include "test_movies.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>

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

// The bytes every test movie's tracks point at, read through the chunk offsets.
void expectMediaIntact(MovieFile& m) {
    const auto media = testing::testMedia();
    auto tracks = m.movie().tracks();
    ASSERT_TRUE(tracks.ok());
    for (const auto& t : *tracks) {
        if (t.handlerType == fourCC("tmcd"))
            continue;
        auto bytes = m.file().read(t.chunkOffsets.at(0), 16);
        ASSERT_TRUE(bytes.ok());
        const std::size_t base = t.handlerType == fourCC("vide") ? 0 : 16;
        EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), media.begin() + std::ptrdiff_t(base)));
    }
}

TEST(HeaderUpdate, RefusesWhatItCannotChangeSafely) {
    auto withMoovChild = [](const char(&type)[5]) {
        auto bytes = testing::makeTestMovie();
        MemoryFile mem(bytes);
        const auto moov = scanFile(mem)->atoms.back();
        auto atom = *parseAtom(std::span(bytes.data() + moov.offset, moov.size));
        atom.children.push_back(Atom::leaf(fourCC(type), {0, 0, 0, 0}));
        bytes.resize(moov.offset);
        const auto b = atomBytes(atom);
        bytes.insert(bytes.end(), b.begin(), b.end());
        return bytes;
    };
    auto withFragment = testing::makeTestMovie();
    const auto moof = atomBytes(Atom::leaf(fourCC("moof"), {1, 2, 3, 4}));
    withFragment.insert(withFragment.end(), moof.begin(), moof.end());
    auto mediaCutOff = testing::makeTestMovie({.moovFirst = true});
    mediaCutOff.resize(mediaCutOff.size() - 4);
    // Each case: its name, the file, whether it is writable, words of the refusal.
    const std::tuple<const char*, std::vector<std::uint8_t>, bool, const char*> cases[] = {
        {"compressed header", withMoovChild("cmov"), true, "compressed"},
        {"fragmented header", withMoovChild("mvex"), true, "fragmented"},
        {"movie fragment", withFragment, true, "fragmented"},
        {"media cut off", mediaCutOff, true, "truncated"},
        {"read-only", testing::makeTestMovie(), false, "read-only"},
    };
    for (const auto& [name, bytes, writable, message] : cases) {
        auto opened = openMemory(bytes, writable);
        auto status = opened.movie.addTimecodeTrack({kPal, 1, "R"});
        ASSERT_FALSE(status.ok()) << name;
        EXPECT_NE(status.error().message.find(message), std::string::npos)
            << name << ": " << status.error().message;
        EXPECT_EQ(opened.file->bytes(), bytes) << name << ": the file must be unchanged";
        EXPECT_FALSE(opened.movie.deleteTimecodeTracks().ok()) << name;
    }
}

TEST(HeaderUpdate, OpenRefusesFilesThatAreNotMovies) {
    const std::string texts[] = {"", "hello world, this is not a movie",
                                 std::string("\0\0\0\010free", 8)};
    for (const auto& text : texts) {
        auto m = MovieFile::open(
            std::make_unique<MemoryFile>(std::vector<std::uint8_t>(text.begin(), text.end())));
        ASSERT_FALSE(m.ok());
        EXPECT_NE(m.error().message.find("not a QuickTime movie"), std::string::npos)
            << m.error().message;
    }
}

// One update, from a starting file, with the timecode start before and after it.
struct UpdateCase {
    std::string name;
    std::vector<std::uint8_t> start;
    bool add; // else delete
    std::optional<std::int32_t> before;
    std::optional<std::int32_t> after;
    bool appends; // grows the file, else reuses freed space
};

// Freed space holds whatever was there before, not a copy of what will be written into it.
std::vector<std::uint8_t> scribbleOverFreeSpace(std::vector<std::uint8_t> bytes) {
    MemoryFile file(bytes);
    const auto layout = scanFile(file);
    for (const auto& a : layout->atoms) {
        if (a.type != fourCC("free"))
            continue;
        std::fill(bytes.begin() + std::ptrdiff_t(a.offset + a.headerSize),
                  bytes.begin() + std::ptrdiff_t(a.offset + a.size), 0xEE);
    }
    return bytes;
}

// The first 'free' atom cut in two, so that reusing it means making the two one atom first.
std::vector<std::uint8_t> splitFirstFreeAtom(std::vector<std::uint8_t> bytes) {
    MemoryFile file(bytes);
    const auto layout = scanFile(file);
    const auto& atoms = layout->atoms;
    const auto first = *std::find_if(atoms.begin(), atoms.end(),
                                     [](const auto& a) { return a.type == fourCC("free"); });
    const std::uint32_t head = 16;
    ByteWriter w;
    w.u32(head);
    w.fourCC(fourCC("free"));
    w.zeros(head - 8);
    w.u32(std::uint32_t(first.size) - head);
    w.fourCC(fourCC("free"));
    std::copy(w.data().begin(), w.data().end(), bytes.begin() + std::ptrdiff_t(first.offset));
    return bytes;
}

// Every write path of the update: appending (after a header that ends the file, or before media
// that does), reusing freed space after and before the live header, and the repairs made first.
std::vector<UpdateCase> updateCases() {
    auto base = openMemory(testing::makeTestMovie());
    EXPECT_TRUE(base.movie.addTimecodeTrack({kPal, 7, "OLD"}).ok());
    const auto withTimecode = base.file->bytes();
    EXPECT_TRUE(base.movie.deleteTimecodeTracks().ok());
    const auto withoutTimecode = base.file->bytes();

    // The last atom's size stored as 0: it runs to the end of the file.
    auto sizedToEnd = [](std::vector<std::uint8_t> bytes) {
        MemoryFile file(bytes);
        std::fill_n(bytes.begin() + std::ptrdiff_t(scanFile(file)->atoms.back().offset), 4, 0);
        return bytes;
    };
    // An update stopped before its commit: the same header twice, the first one live.
    auto twoHeaders = testing::makeTestMovie();
    MemoryFile two(twoHeaders);
    const auto moov = scanFile(two)->atoms.back();
    twoHeaders.insert(twoHeaders.end(), twoHeaders.begin() + std::ptrdiff_t(moov.offset),
                      twoHeaders.end());
    // What an append cut short by a crash leaves: part of an atom after the last whole one.
    auto cutOff = testing::makeTestMovie();
    cutOff.insert(cutOff.end(), {0, 0, 4, 0, 'm', 'o', 'o', 'v', 0, 0});

    const std::optional<std::int32_t> none, added = 90000, old = 7;
    return {
        {"add, appending", testing::makeTestMovie(), true, none, added, true},
        {"add, appending after media", testing::makeTestMovie({.moovFirst = true}), true, none,
         added, true},
        {"add, reusing space after the header", scribbleOverFreeSpace(withoutTimecode), true, none,
         added, false},
        {"delete, reusing space before the header", scribbleOverFreeSpace(withTimecode), false, old,
         none, false},
        {"delete, reusing two atoms before the header",
         scribbleOverFreeSpace(splitFirstFreeAtom(withTimecode)), false, old, none, false},
        {"add, sizing an atom that runs to the end",
         sizedToEnd(testing::makeTestMovie({.moovFirst = true})), true, none, added, true},
        {"add, sizing a header that runs to the end", sizedToEnd(testing::makeTestMovie()), true,
         none, added, true},
        {"add, after an update stopped before its commit", twoHeaders, true, none, added, true},
        {"add, over a cut-off atom at the end", cutOff, true, none, added, true},
    };
}

Status runUpdate(MovieFile& movie, const UpdateCase& c) {
    if (c.add)
        return movie.addTimecodeTrack({kPal, 90000, "NEW"});
    auto removed = movie.deleteTimecodeTracks();
    return removed ? Status() : Status(removed.error());
}

// Opens `bytes` with our reader and answers the timecode start it holds, which must be the one
// before or after the update; the media must be intact and the next update must work.
std::optional<std::int32_t> expectOldOrNewMovie(const std::vector<std::uint8_t>& bytes,
                                                const UpdateCase& c) {
    auto reopened = MovieFile::open(std::make_unique<MemoryFile>(bytes));
    EXPECT_TRUE(reopened.ok()) << reopened.error().message;
    if (!reopened.ok())
        return std::nullopt;
    auto tc = reopened->readTimecode();
    EXPECT_TRUE(tc.ok());
    const auto state = tc.ok() && tc->has_value() ? (*tc)->startFrame : std::nullopt;
    EXPECT_TRUE(state == c.before || state == c.after) << (state ? std::to_string(*state) : "none");
    expectMediaIntact(*reopened);
    EXPECT_TRUE(reopened->deleteTimecodeTracks().ok());
    EXPECT_TRUE(reopened->addTimecodeTrack({kPal, 42, "NEXT"}).ok());
    EXPECT_EQ((*reopened->readTimecode())->startFrame, 42);
    return state;
}

using DiskMaker =
    std::function<std::unique_ptr<testing::ForwardingFile>(std::vector<std::uint8_t>)>;

// The disks an update can meet: a process killed after every possible number of writes and
// flushes, and one that fills up (the write, or only the flush, saying so) part-way through.
std::vector<std::pair<std::string, DiskMaker>> failingDisks(std::size_t start, std::size_t grown) {
    using FailsAt = testing::FullDiskFile::FailsAt;
    std::vector<std::pair<std::string, DiskMaker>> disks;
    for (int n = 0; n < 20; ++n)
        disks.emplace_back("killed after " + std::to_string(n) + " operations", [n](auto bytes) {
            return std::make_unique<testing::KilledProcessFile>(
                std::make_unique<MemoryFile>(std::move(bytes)), n);
        });
    for (const auto failsAt : {FailsAt::Write, FailsAt::Flush})
        for (const auto capacity : {start, start + 1, start + 9, (start + grown) / 2, grown - 1})
            if (start < grown) // only a file that grows can fill the disk
                disks.emplace_back(
                    "full at " + std::to_string(capacity), [failsAt, capacity](auto bytes) {
                        return std::make_unique<testing::FullDiskFile>(
                            std::make_unique<MemoryFile>(std::move(bytes)), capacity, failsAt);
                    });
    return disks;
}

// Whatever the disk does, the file holds exactly the old or the new timecode state and the next
// update still works; a failure says the movie was changed exactly when it was, and the
// interrupted MovieFile sees what the file holds. A full disk leaves the file as it was, byte for
// byte (a damaged tail is cut off first).
TEST(HeaderUpdate, SurvivesAFailingDisk) {
    for (const auto& c : updateCases()) {
        auto unlimited = openMemory(c.start);
        ASSERT_TRUE(runUpdate(unlimited.movie, c).ok());
        MemoryFile start(c.start);
        const bool damagedTail = scanFile(start)->unparsedTail != 0;
        for (const auto& [name, makeDisk] :
             failingDisks(c.start.size(), unlimited.file->bytes().size())) {
            SCOPED_TRACE(c.name + ", " + name);
            auto disk = makeDisk(c.start);
            auto* failing = disk.get();
            auto movie = MovieFile::open(std::move(disk));
            ASSERT_TRUE(movie.ok());
            const Status status = runUpdate(*movie, c);
            EXPECT_EQ(status.ok(), !failing->failed());
            const auto bytes = *failing->read(0, std::size_t(*failing->size()));
            const auto state = expectOldOrNewMovie(bytes, c);
            // Done, or failed as "may not be on the disk yet", exactly when the movie changed.
            EXPECT_EQ(status.ok() || status.error().kind == ErrorKind::Unconfirmed,
                      state == c.after)
                << (status.ok() ? "" : status.error().message);
            auto own = movie->readTimecode();
            ASSERT_TRUE(own.ok());
            EXPECT_EQ(own->has_value() ? (*own)->startFrame : std::nullopt, state);
            if (name.starts_with("full")) {
                EXPECT_NE(status.error().message.find("No space left"), std::string::npos);
                EXPECT_TRUE(bytes == c.start || damagedTail);
            }
        }
    }
}

// A power cut keeps what was flushed and any subset of what was written since. Every such state,
// at every instant of the update, must be the old or the new movie; once the update has said it
// is done, the new movie must be on the disk.
TEST(HeaderUpdate, SurvivesAPowerCutAtEveryInstant) {
    for (const auto& c : updateCases()) {
        SCOPED_TRACE(c.name);
        auto recording = std::make_unique<testing::RecordingFile>(c.start);
        auto* disk = recording.get();
        auto movie = MovieFile::open(std::move(recording));
        ASSERT_TRUE(movie.ok());
        ASSERT_TRUE(runUpdate(*movie, c).ok());
        const auto states = testing::powerCutStates(c.start, disk->log());
        EXPECT_GE(states.size(), 3u);
        EXPECT_EQ(states.back(), disk->bytes()) << "written after the last flush";
        if (!c.appends) {
            EXPECT_LE(disk->bytes().size(), c.start.size()) << "freed space is used again";
        }
        std::size_t index = 0;
        for (const auto& state : states) {
            SCOPED_TRACE("disk state " + std::to_string(index++) + " of " +
                         std::to_string(states.size()));
            (void)expectOldOrNewMovie(state, c);
        }
    }
}

// One writer at a time: a file opened for writing is locked until it is closed.
using namespace std::chrono_literals;

class FileLock : public ::testing::Test {
  protected:
    void SetUp() override { std::ofstream(m_path, std::ios::binary) << "movie bytes"; }

    test::TempDir m_dir{"korvel-file-lock"};
    std::string m_path = m_dir.file("movie.mov");
};

TEST_F(FileLock, ASecondWriterIsToldTheFileIsInUse) {
    auto first = openFile(m_path, OpenMode::ReadWrite);
    ASSERT_TRUE(first.ok()) << first.error().message;

    auto second = openFile(m_path, OpenMode::ReadWrite, 100ms);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().kind, ErrorKind::InUse);
    EXPECT_NE(second.error().message.find("in use"), std::string::npos) << second.error().message;

    // Readers are never kept out: the file is readable at every instant of an update.
    auto reader = openFile(m_path, OpenMode::ReadOnly, 0ms);
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(*(*reader)->size(), 11u);

    first->reset();
    EXPECT_TRUE(openFile(m_path, OpenMode::ReadWrite, 0ms).ok());
}

TEST_F(FileLock, WaitsForTheOtherWriterToFinish) {
    auto first = openFile(m_path, OpenMode::ReadWrite);
    ASSERT_TRUE(first.ok());
    std::thread finisher([&] {
        std::this_thread::sleep_for(200ms);
        first->reset();
    });
    // Far longer than the other writer takes: the open must succeed once it has finished.
    auto second = openFile(m_path, OpenMode::ReadWrite, 600s);
    finisher.join();
    EXPECT_TRUE(second.ok()) << second.error().message;
}

} // namespace
} // namespace korvel::qtff
