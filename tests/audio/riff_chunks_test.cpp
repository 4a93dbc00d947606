// SPDX-License-Identifier: MIT
#include "audio/riff_chunks.h"
#include "audio/wave_format.h"
#include "wave_builder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <tuple>
#include <unistd.h>

namespace korvel {
namespace {

using test::Bytes;
using test::Chunk;

std::string chunkOrder(const RiffLayout& layout) {
    std::string order;
    for (const RiffChunk& chunk : layout.chunks) {
        order += std::string(chunk.name()) + "|";
    }
    return order;
}

const Bytes kFmt = test::fmtBody(1, 2, 48000, 24);
const Bytes kBext = test::bextBody(test::describedAs("sSCENE=1\r\n"));

Bytes withRiffSize(Bytes file, std::uint32_t size) {
    for (int i = 0; i < 4; ++i) {
        file[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return file;
}

Bytes appended(Bytes file, const std::string& tail) {
    file.insert(file.end(), tail.begin(), tail.end());
    return file;
}

TEST(RiffChunks, FindsTheChunksBySize) {
    // Each case: its name, the file, its chunks in order, whether the chunk list is broken.
    const std::tuple<const char*, Bytes, std::string, bool> cases[] = {
        {"Typical", test::buildWave({{"bext", kBext}, {"fmt ", kFmt}, {"data", Bytes(12, 1)}}),
         "bext|fmt |data|", false},
        {"BextAfterLargeJunk",
         test::buildWave(
             {{"JUNK", Bytes(70000, 0)}, {"fmt ", kFmt}, {"bext", kBext}, {"data", Bytes(6, 0)}}),
         "JUNK|fmt |bext|data|", false},
        {"OddChunkPadded",
         test::buildWave({{"fmt ", kFmt}, {"Fake", Bytes(3, 7)}, {"data", Bytes(6, 0)}}),
         "fmt |Fake|data|", false},
        {"OddChunkWithoutPadByte",
         test::buildWave(
             {{"fmt ", kFmt}, {"Fake", Bytes(3, 7), std::nullopt, false}, {"data", Bytes(6, 0)}}),
         "fmt |Fake|data|", false},
        {"RiffSizeTooSmall",
         withRiffSize(test::buildWave({{"fmt ", kFmt}, {"LIST", Bytes(20, 0)}, {"data", Bytes(0)}}),
                      30),
         "fmt |LIST|data|", false},
        {"RiffSizeTooLarge",
         withRiffSize(test::buildWave({{"fmt ", kFmt}, {"data", Bytes(4, 0)}}), 1000), "fmt |data|",
         false},
        {"TrailingBytesAfterTheForm",
         appended(test::buildWave({{"fmt ", kFmt}, {"data", Bytes(4, 0)}}),
                  std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9)),
         "fmt |data|", false},
        {"TruncatedData", test::buildWave({{"fmt ", kFmt}, {"data", Bytes(4, 0), 4000}}),
         "fmt |data|", false},
        {"ChunkRunningPastTheEnd",
         test::buildWave({{"fmt ", kFmt}, {"JUNK", Bytes(4, 0), 9999}, {"data", Bytes{}}}),
         "fmt |JUNK|", true},
        {"GarbageInsteadOfAChunk",
         test::buildWave({{"fmt ", kFmt}, {std::string("\x01\x02\x03\x04", 4), Bytes{}}}), "fmt |",
         true},
        {"NotRiff", Bytes{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, "", true},
        {"Rf64",
         test::buildWave({{"fmt ", kFmt}, {"bext", kBext}, {"data", Bytes(10, 0)}},
                         test::Container::Rf64),
         "ds64|fmt |bext|data|", false},
    };
    for (const auto& [name, file, order, broken] : cases) {
        MemoryByteSource source(file);
        const RiffLayout layout = walkRiffChunks(source);
        EXPECT_EQ(chunkOrder(layout), order) << name;
        EXPECT_EQ(layout.broken, broken) << name << ": " << layout.problem;
    }
}

TEST(RiffChunks, Rf64SizesComeFromDs64) {
    const Bytes file = test::buildWave(
        {{"fmt ", kFmt}, {"JUNK", Bytes(100, 0)}, {"bext", kBext}, {"data", Bytes(10, 0)}},
        test::Container::Rf64, {"JUNK"});
    MemoryByteSource source(file);
    const RiffLayout layout = walkRiffChunks(source);
    ASSERT_FALSE(layout.broken) << layout.problem;
    EXPECT_EQ(layout.form, RiffForm::Rf64);
    ASSERT_NE(layout.find("JUNK"), nullptr);
    EXPECT_EQ(layout.find("JUNK")->size, 100u);
    ASSERT_NE(layout.find("data"), nullptr);
    EXPECT_EQ(layout.find("data")->size, 10u);
    EXPECT_EQ(layout.find("data")->bodyOffset, file.size() - 10);
}

TEST(RiffChunks, ChunkCutOffByTheEndKeepsWhatTheFileHolds) {
    Bytes file = test::buildWave({{"fmt ", kFmt}, {"JUNK", Bytes(3000, 0)}, {"bext", kBext}});
    file.resize(file.size() - 100);
    MemoryByteSource source(file);
    const RiffLayout layout = walkRiffChunks(source);
    const RiffChunk* bext = layout.find("bext");
    ASSERT_NE(bext, nullptr);
    EXPECT_EQ(bext->size, kBext.size() - 100);
    EXPECT_TRUE(bext->truncated());
    // A data size past the end is a recording cut short, not a size left unknown.
    const Bytes cutData = test::buildWave({{"fmt ", kFmt}, {"data", Bytes(4, 0), 0xFFFFFFFFu}});
    MemoryByteSource cutSource(cutData);
    const RiffLayout cutLayout = walkRiffChunks(cutSource);
    const RiffChunk* data = cutLayout.find("data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->size, 4u);
    EXPECT_TRUE(data->truncated());
    EXPECT_FALSE(data->sizeUnknown);
}

TEST(RiffChunks, ScanIsUsedOnlyWhenTheListIsBroken) {
    // "fmt " written in a description comes before the real format chunk.
    const Bytes bext = test::bextBody(test::describedAs("sNOTE=fmt check\r\n"));
    const Bytes sound = test::buildWave({{"bext", bext}, {"fmt ", kFmt}, {"data", Bytes(4, 0)}});
    MemoryByteSource intact(sound);
    const RiffLayout good = walkRiffChunks(intact);
    auto fmt = locateChunk(intact, good, "fmt ");
    ASSERT_TRUE(fmt);
    EXPECT_FALSE(fmt->foundByScan);
    EXPECT_EQ(fmt->bodyOffset, 12u + 8 + bext.size() + 8);
    EXPECT_FALSE(locateChunk(intact, good, "LIST"));

    Bytes damaged = sound;
    damaged[12 + 4 + 3] = 0x7F; // bext size now runs past the end of the file
    MemoryByteSource broken(damaged);
    const RiffLayout bad = walkRiffChunks(broken);
    EXPECT_TRUE(bad.broken);
    auto scanned = locateChunk(broken, bad, "fmt ");
    ASSERT_TRUE(scanned);
    EXPECT_TRUE(scanned->foundByScan);
    EXPECT_EQ(scanned->headerOffset, 12u + 8 + 6); // the word in the description
    auto bextChunk = locateChunk(broken, bad, "bext");
    ASSERT_TRUE(bextChunk);
    EXPECT_EQ(bextChunk->headerOffset, 12u);
}

TEST(RiffChunks, ScanLooksOnlyAtPositions8To1024) {
    Bytes file(2000, 0);
    std::memcpy(file.data() + 1024, "bext", 4);
    std::memcpy(file.data() + 1500, "fmt ", 4);
    MemoryByteSource source(file);
    EXPECT_EQ(scanForChunkId(source, "bext"), 1024u);
    EXPECT_FALSE(scanForChunkId(source, "fmt "));
    file[1024] = 0;
    file[1025] = 'b';
    std::memcpy(file.data() + 1025, "bext", 4);
    MemoryByteSource later(file);
    EXPECT_FALSE(scanForChunkId(later, "bext"));
}

TEST(RiffChunks, ScannedIdAtTheVeryEndHasAnEmptyBody) {
    const Bytes file = {'R', 'I', 'F', 'F', 0,   0,   0,   0, 'W',
                        'A', 'V', 'X', 'd', 'a', 't', 'a', 9, 9};
    MemoryByteSource source(file);
    const RiffLayout layout = walkRiffChunks(source);
    ASSERT_TRUE(layout.broken);
    auto data = locateChunk(source, layout, "data");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->headerOffset, 12u);
    EXPECT_LE(data->bodyOffset, file.size());
    EXPECT_EQ(data->size, 0u);
}

// Every recording of the corpus, from many recorders and editors, walks without a scan.
TEST(RiffChunks, EveryCorpusFileWalksCleanly) {
    const std::filesystem::path dir = std::filesystem::path(KORVEL_CORPUS_DIR) / "bwf";
    if (!std::filesystem::exists(dir)) {
        GTEST_SKIP() << "no corpus at " << dir;
    }
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".wav" && extension != ".WAV") {
            continue;
        }
        auto source = FileByteSource::open(entry.path().string());
        ASSERT_TRUE(source) << source.error().message;
        const RiffLayout layout = walkRiffChunks(**source);
        EXPECT_FALSE(layout.broken) << entry.path() << ": " << layout.problem;
        EXPECT_NE(layout.find("data"), nullptr) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 12);
}

// --- The format chunk ---
test::Bytes withBlockAlign(test::Bytes body, std::uint16_t align) {
    body[12] = static_cast<std::uint8_t>(align);
    body[13] = 0;
    return body;
}

TEST(WaveFormat, KnowsTheSampleLayout) {
    // Each case: its name, the fmt body, the sample layout and the channels read.
    const std::tuple<const char*, test::Bytes, SampleFormat, std::uint16_t> cases[] = {
        {"Pcm16Mono", test::fmtBody(1, 1, 44100, 16), SampleFormat::Int16, 1},
        {"Pcm24Stereo", test::fmtBody(1, 2, 48000, 24), SampleFormat::Int24, 2},
        {"Float32", test::fmtBody(3, 2, 96000, 32), SampleFormat::Float32, 2},
        {"ExtensiblePcm24", test::fmtBody(1, 6, 48000, 24, true), SampleFormat::Int24, 6},
        {"ExtensibleFloat", test::fmtBody(3, 2, 48000, 32, true), SampleFormat::Float32, 2},
        {"Pcm8", test::fmtBody(1, 1, 8000, 8), SampleFormat::Unsupported, 1},
        {"Pcm32", test::fmtBody(1, 2, 48000, 32), SampleFormat::Unsupported, 2},
        {"Compressed", test::fmtBody(2, 2, 48000, 16), SampleFormat::Unsupported, 2},
        {"BlockAlignWrong", withBlockAlign(test::fmtBody(1, 2, 48000, 24), 4),
         SampleFormat::Unsupported, 2},
        {"NoChannels", test::fmtBody(1, 0, 48000, 16), SampleFormat::Unsupported, 0},
    };
    for (const auto& [name, body, expected, channels] : cases) {
        auto format = parseWaveFormat(body);
        ASSERT_TRUE(format) << name << ": " << format.error().message;
        EXPECT_EQ(format->sampleFormat(), expected) << name;
        EXPECT_EQ(format->channels, channels) << name;
    }
}

TEST(WaveFormat, RefusesShortBodies) {
    EXPECT_FALSE(parseWaveFormat(test::Bytes(14, 0)));
    test::Bytes extensible = test::fmtBody(1, 2, 48000, 24, true);
    extensible.resize(30);
    EXPECT_FALSE(parseWaveFormat(extensible));
}

} // namespace
} // namespace korvel
