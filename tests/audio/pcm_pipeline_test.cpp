// SPDX-License-Identifier: MIT
// The chunks and format of WAVE files, then the samples read from them.
#include "audio/pcm_convert.h"
#include "audio/pcm_pipeline.h"
#include "audio/resampler.h"
#include "audio/riff_chunks.h"
#include "audio/wave_format.h"
#include "wave_builder.h"

#include <array>
#include <cmath>
#include <complex>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>
#include <tuple>
#include <vector>

namespace korvel {
namespace {

using test::Bytes;

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
    test::setLittle(file, 4, size, 4);
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

// --- The samples ---
using test::pseudoRandomBytes;

using test::put24;
using test::read16;
using test::read24;

Bytes waveOf(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
             Bytes samples, test::Container container = test::Container::Riff) {
    return test::buildWave({{"bext", test::bextBody(test::describedAs("sTAKE=1"))},
                            {"fmt ", test::fmtBody(tag, channels, rate, bits)},
                            {"data", std::move(samples)}},
                           container);
}

struct Collected {
    Bytes bytes;
    std::size_t blocks = 0;
    PcmSink sink() {
        return [this](std::span<const std::uint8_t> block) {
            bytes.insert(bytes.end(), block.begin(), block.end());
            ++blocks;
            return Status{};
        };
    }
};

// Merges the mono files `a` (left) and `b` (right) as laid out by `alignment`.
Result<PcmRunReport> merge(const Bytes& a, const Bytes& b, Collected& out,
                           PairAlignment alignment = {}) {
    MemoryByteSource sourceA(a), sourceB(b);
    auto streamA = openPcmStream(sourceA);
    auto streamB = openPcmStream(sourceB);
    if (!streamA || !streamB) {
        return makeError("not a WAVE file");
    }
    return mergePcmPair(sourceA, *streamA, sourceB, *streamB, {}, out.sink(), alignment);
}

Result<PcmRunReport> run(const Bytes& file, const PcmConversion& conversion, Collected& out) {
    MemoryByteSource source(file);
    auto stream = openPcmStream(source);
    if (!stream) {
        return stream.error();
    }
    return convertPcm(source, *stream, conversion, out.sink());
}

TEST(PcmPipeline, CopiesSamplesBitForBit) {
    using Case = std::tuple<std::uint16_t, std::uint16_t, std::uint16_t, std::uint32_t,
                            test::Container>; // format tag, channels, bits, rate, container
    for (const auto& [tag, channels, bits, rate, container] :
         {Case{1, 2, 24, 48000, test::Container::Riff},
          Case{1, 1, 16, 44100, test::Container::Riff},
          Case{3, 2, 32, 96000, test::Container::Riff},
          Case{1, 6, 24, 48000, test::Container::Rf64}}) {
        // Enough frames for several blocks, and an odd frame count.
        const std::size_t frames = (3u << 20) / (channels * bits / 8) + 7;
        const Bytes samples = pseudoRandomBytes(frames * channels * bits / 8, bits);
        Collected out;
        // Without the 16-bit reduction nothing is resampled; a 16-bit source stays as it is.
        const PcmConversion conversion{.toSixteenBit = bits == 16, .outputRate = 44100};
        auto report = run(waveOf(tag, channels, rate, bits, samples, container), conversion, out);
        ASSERT_TRUE(report) << report.error().message;
        EXPECT_EQ(out.bytes, samples) << channels << " channels, " << bits << " bits";
        EXPECT_GT(out.blocks, 2u);
        EXPECT_EQ(report->framesWritten, frames);
        EXPECT_EQ(report->output.sampleRate, rate);
    }
}

// What the samples read are, against what the header declares: ten frames each time.
TEST(PcmPipeline, SamplesShortOfTheHeaderAreSaid) {
    const Bytes fmt = test::fmtBody(1, 2, 48000, 24);
    Bytes withoutDs64DataSize =
        test::buildWave({{"fmt ", fmt}, {"data", Bytes(60, 1)}}, test::Container::Rf64);
    std::fill(withoutDs64DataSize.begin() + 28, withoutDs64DataSize.begin() + 36, 0);
    // Each case: its name, the file, words of the warning (empty: none).
    const std::tuple<const char*, Bytes, std::string> cases[] = {
        {"Complete", test::buildWave({{"fmt ", fmt}, {"data", Bytes(60, 1)}}), ""},
        {"CutShort", test::buildWave({{"fmt ", fmt}, {"data", Bytes(60, 1), 100000}}),
         "declares 100000 bytes but the file ends after 60 bytes"},
        {"EndsInsideAFrame", test::buildWave({{"fmt ", fmt}, {"data", Bytes(64, 1)}}),
         "last 4 bytes are left out"},
        {"Rf64WithoutDataSize", withoutDs64DataSize, "ds64 chunk holds no data size"},
    };
    for (const auto& [name, file, warning] : cases) {
        MemoryByteSource source(file);
        auto stream = openPcmStream(source);
        ASSERT_TRUE(stream) << name;
        EXPECT_EQ(stream->frames(), 10u) << name;
        EXPECT_EQ(stream->dataWarning.empty(), warning.empty()) << name;
        EXPECT_NE(stream->dataWarning.find(warning), std::string::npos)
            << name << ": " << stream->dataWarning;
    }
}

TEST(PcmPipeline, RefusesWhatItCannotRead) {
    Collected out;
    EXPECT_FALSE(run(waveOf(1, 1, 8000, 8, Bytes(10, 0x80)), {}, out));
    EXPECT_FALSE(run(test::buildWave({{"data", Bytes(4, 0)}}), {}, out));
    EXPECT_FALSE(run(test::buildWave({{"fmt ", test::fmtBody(1, 1, 48000, 16)}}), {}, out));
    EXPECT_FALSE(run(waveOf(1, 1, 0, 16, Bytes(4, 0)), {}, out));
}

// 24 -> 16 bits of a full-scale 1 kHz sine. With TPDF dither the error against the exact value is
// noise of 0.5 LSB RMS (rounding 1/12 plus dither 1/6 LSB^2) that does not depend on the signal:
// no offset (truncation would give -0.5 LSB) and no energy at the sine's harmonics (plain
// rounding of a sine puts all of its error there).
struct NoiseFigures {
    double meanError;
    double rmsError;
    double worstHarmonicToNoise; // harmonic bin power over the average bin power of white noise
};

NoiseFigures measure(const std::vector<std::int32_t>& in24,
                     const std::vector<std::int16_t>& out16) {
    const std::size_t n = in24.size();
    std::vector<double> error(n);
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double exact = in24[i] / 256.0;
        error[i] = out16[i] - exact;
        sum += error[i];
        squares += error[i] * error[i];
    }
    NoiseFigures figures{};
    figures.meanError = sum / n;
    figures.rmsError = std::sqrt(squares / n);
    // 1 kHz at 48 kHz over n = 48000 samples: harmonic k sits exactly in bin 1000 k.
    for (int k = 2; k <= 9; ++k) {
        std::complex<double> bin = 0;
        for (std::size_t i = 0; i < n; ++i) {
            bin += error[i] * std::polar(1.0, -2 * std::numbers::pi * 1000.0 * k * i / 48000.0);
        }
        figures.worstHarmonicToNoise =
            std::max(figures.worstHarmonicToNoise, std::norm(bin) / (n * (squares / n)));
    }
    return figures;
}

TEST(PcmPipeline, DitheredReductionHasNoTruncationDistortion) {
    constexpr std::size_t kFrames = 48000;
    std::vector<std::int32_t> sine(kFrames);
    Bytes samples;
    for (std::size_t i = 0; i < kFrames; ++i) {
        sine[i] = static_cast<std::int32_t>(
            std::lround(8388607.0 * 0.999 * std::sin(2 * std::numbers::pi * 1000.0 * i / 48000.0)));
        put24(samples, sine[i]);
    }
    Collected out;
    auto report = run(waveOf(1, 1, 48000, 24, samples), {.toSixteenBit = true}, out);
    ASSERT_TRUE(report) << report.error().message;
    EXPECT_EQ(report->output.sampleFormat, SampleFormat::Int16);
    const NoiseFigures dithered = measure(sine, read16(out.bytes));
    EXPECT_NEAR(dithered.meanError, 0.0, 0.02);
    EXPECT_NEAR(dithered.rmsError, 0.5, 0.03);
    EXPECT_LT(dithered.worstHarmonicToNoise, 12.0);
}

TEST(PcmPipeline, FloatReducesToSixteenBits) {
    Bytes samples;
    for (float value : {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 2.0f}) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        test::putLittle(samples, bits, 4);
    }
    Collected out;
    ASSERT_TRUE(run(waveOf(3, 1, 48000, 32, samples), {.toSixteenBit = true}, out));
    const auto values = read16(out.bytes);
    const std::int16_t expected[] = {0, 16384, -16384, 32767, -32767, 32767}; // 2.0 clips
    ASSERT_EQ(values.size(), 6u);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_LE(std::abs(values[i] - expected[i]), 1) << i; // one step of dither
    }
}

TEST(PcmPipeline, ResamplesTo44k1AndTo48k) {
    for (auto [from, to] :
         {std::pair<std::uint32_t, std::uint32_t>{48000, 44100}, {44100, 48000}, {96000, 48000}}) {
        Bytes samples;
        const std::size_t frames = from * 2; // two seconds of stereo
        for (std::size_t i = 0; i < frames; ++i) {
            const double value = 0.5 * std::sin(2 * std::numbers::pi * 997.0 * i / from);
            put24(samples, static_cast<std::int32_t>(std::lround(value * 8388607)));
            put24(samples, 0);
        }
        Collected out;
        auto report =
            run(waveOf(1, 2, from, 24, samples), {.toSixteenBit = true, .outputRate = to}, out);
        ASSERT_TRUE(report) << report.error().message;
        EXPECT_EQ(report->output.sampleRate, to);
        EXPECT_EQ(report->framesWritten, std::uint64_t{to} * 2) << from << " -> " << to;
        const auto values = read16(out.bytes);
        double worst = 0;
        for (std::size_t i = to / 10; i < std::size_t{to} * 2 - to / 10; ++i) {
            const double ideal = 0.5 * 32767 * std::sin(2 * std::numbers::pi * 997.0 * i / to);
            worst = std::max(worst, std::abs(values[2 * i] - ideal));
        }
        EXPECT_LT(worst, 4.0) << from << " -> " << to; // a few LSB of dither and ripple
    }
}

// Left A, right B, laid out by their delays; the shorter one is padded with silence.
TEST(PcmPipeline, MergesAPairLaidOutByItsDelays) {
    Bytes a, b;
    for (std::int32_t i = 0; i < 5000; ++i) {
        put24(a, i + 1);
    }
    for (std::int32_t i = 0; i < 3000; ++i) {
        put24(b, -i - 1);
    }
    const Bytes fileA = waveOf(1, 1, 48000, 24, a);
    const Bytes fileB = waveOf(1, 1, 48000, 24, b);
    // Each row: the delays, the frames written, the silence padded on the left and on the right.
    const std::tuple<PairAlignment, std::uint64_t, std::uint64_t, std::uint64_t> rows[] = {
        {{0, 0}, 5000, 0, 2000}, {{0, 1000}, 5000, 0, 1000}, {{1000, 0}, 6000, 0, 3000}};
    for (const auto& [alignment, frames, paddedLeft, paddedRight] : rows) {
        SCOPED_TRACE(alignment.leftDelay);
        Collected out;
        auto report = merge(fileA, fileB, out, alignment);
        ASSERT_TRUE(report) << report.error().message;
        EXPECT_EQ(report->output.channels, 2);
        EXPECT_EQ(report->framesWritten, frames);
        EXPECT_EQ(report->paddedFramesLeft, paddedLeft);
        EXPECT_EQ(report->paddedFramesRight, paddedRight);
        const auto merged = read24(out.bytes);
        ASSERT_EQ(merged.size(), 2 * frames);
        for (std::int64_t i = 0; i < std::int64_t(frames); ++i) {
            const auto left = i - std::int64_t(alignment.leftDelay);
            const auto right = i - std::int64_t(alignment.rightDelay);
            ASSERT_EQ(merged[2 * i], left >= 0 && left < 5000 ? left + 1 : 0) << i;
            ASSERT_EQ(merged[2 * i + 1], right >= 0 && right < 3000 ? -right - 1 : 0) << i;
        }
    }
}

TEST(PcmPipeline, RefusesPairsThatDoNotMatch) {
    const Bytes mono48 = waveOf(1, 1, 48000, 24, Bytes(30, 1));
    // Another rate, sample size, or channel count.
    for (const Bytes& other :
         {waveOf(1, 1, 44100, 24, Bytes(30, 1)), waveOf(1, 1, 48000, 16, Bytes(30, 1)),
          waveOf(1, 2, 48000, 24, Bytes(30, 1))}) {
        Collected out;
        auto report = merge(mono48, other, out);
        ASSERT_FALSE(report);
        EXPECT_TRUE(out.bytes.empty()) << report.error().message;
        EXPECT_EQ(report.error().message.find("not a WAVE"), std::string::npos);
    }
}

// --- Sample conversions ---
using test::encode24;

TEST(PcmConvert, DecodesEachLayoutToFloat) {
    // Each row: the layout, three samples, their values and how far each may be from it.
    const std::tuple<SampleFormat, Bytes, std::array<float, 3>, double> rows[] = {
        {SampleFormat::Int16, {0x00, 0x80, 0xFF, 0x7F, 0x00, 0x40}, {-1.0f, 1.0f, 0.5f}, 1e-4},
        {SampleFormat::Int24, encode24({-8388608, 8388607, 4194304}), {-1.0f, 1.0f, 0.5f}, 1e-6},
        {SampleFormat::Float32,
         {0x00, 0x00, 0x80, 0xBF, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x00},
         {-1.0f, 0.5f, 0.0f},
         0},
    };
    for (const auto& [format, bytes, expected, nearMax] : rows) {
        float out[3];
        decodeToFloat(format, bytes.data(), 3, out);
        EXPECT_FLOAT_EQ(out[0], expected[0]);
        EXPECT_NEAR(out[1], expected[1], nearMax);
        EXPECT_FLOAT_EQ(out[2], expected[2]);
    }
}

TEST(TpdfDither, ExtremesClipAndSilenceStaysNearZero) {
    TpdfDither dither(7);
    const auto in = encode24({8388607, -8388608, 0, 0, 0, 0});
    std::vector<std::uint8_t> out(12);
    dither.from24(in.data(), 6, out.data());
    const auto samples = test::read16(out);
    EXPECT_GE(samples[0], 32766);
    EXPECT_LE(samples[1], -32767);
    for (int i = 2; i < 6; ++i) {
        EXPECT_LE(std::abs(samples[i]), 1);
    }
}

TEST(Resampler, RefusesImpossibleRates) {
    EXPECT_FALSE(Resampler::create(0, 48000, 2));
    EXPECT_FALSE(Resampler::create(48000, 44100, 0));
}

} // namespace
} // namespace korvel
