// SPDX-License-Identifier: MIT
// BWF files imported into movies, judged by ffprobe and ffmpeg (skipped without them).
#include "../audio/wave_builder.h"
#include "movie/bwf_import.h"
#include "qtff/sound_track.h"
#include "support/output_folder_test.h"
#include "test_media.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace korvel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

// Floats at 32 bits, else integers.
Bytes bwf(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
          std::uint64_t timeReference, const Bytes& samples,
          const std::string& description = "sTAPE=R07\r\nsSCENE=3\r\nsTAKE=1") {
    test::BextFields fields = test::describedAs(description);
    fields.timeReference = timeReference;
    return test::buildWave({{"bext", test::bextBody(fields)},
                            {"fmt ", test::fmtBody(bits == 32 ? 3 : 1, channels, rate, bits)},
                            {"data", samples}});
}

class BwfImportTest : public test::OutputFolderTest {
  protected:
    void SetUp() override {
        if (!test::haveProgram("ffprobe") || !test::haveProgram("ffmpeg")) {
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        }
        OutputFolderTest::SetUp();
    }

    std::string probe(const std::string& movie, const std::string& entries) const {
        return test::commandOutput("ffprobe -v error -select_streams a:0 -show_entries " + entries +
                                   " -of csv=p=0 '" + movie + "'");
    }

    /// The sound of `movie` as ffmpeg decodes it to raw `format` ("s16le"...), after `flags`.
    Bytes decode(const std::string& movie, const std::string& format,
                 const std::string& flags = "") const {
        const std::string raw = movie + ".raw";
        const std::string command = "ffmpeg -v error -y " + flags + " -i '" + movie +
                                    "' -map 0:a -c:a pcm_" + format + " -f " + format + " '" + raw +
                                    "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return test::readFile(raw);
    }

    /// Imports `input` into `movie` beside it; warnings go to m_warnings and the log.
    Result<BwfInfo> import(const std::string& input, const std::string& movie,
                           BwfImportOptions options = {}) {
        options.inputFile = path(input);
        options.destFile = path(movie);
        return ZAN_ImportFile(options, logger(), nullptr,
                              [this](std::string_view line) { m_warnings.emplace_back(line); });
    }
    Result<BwfInfo> importPair(const std::string& a, const std::string& b,
                               const std::string& movie) {
        BwfImportOptions options;
        options.secondImportFile = path(b);
        options.importTwoFiles = true;
        return import(a, movie, options);
    }

    std::vector<std::string> m_log;
    std::vector<std::string> m_warnings;
    ImportLog logger() {
        return [this](std::string_view line) { m_log.emplace_back(line); };
    }
};

// The samples are copied bit for bit whatever their layout; ffprobe, ffmpeg and mediainfo read
// the format, the start and the reel. 13:00:00 at 96 kHz is a time reference above 2^32.
TEST_F(BwfImportTest, SelfContainedCopyIsBitIdentical) {
    // Each row: channels, bits, rate, ffprobe's codec_name ("pcm_" and ffmpeg's raw format), the
    // record's tracks, the frame rate asked for and the start.
    const std::tuple<std::uint16_t, std::uint16_t, std::uint32_t, const char*, const char*,
                     const char*, const char*>
        rows[] = {
            {2, 24, 96000, "pcm_s24le", "2A", "PAL", "13:00:00:00"},
            {6, 24, 48000, "pcm_s24le", "6A", "24 fps", "13:00:00:00"},
            {1, 16, 44100, "pcm_s16le", "1A", "NTSC DF", "13:00:00;01"},
            {2, 32, 48000, "pcm_f32le", "2A", "PAL", "13:00:00:00"},
        };
    for (const auto& [channels, bits, rate, codec, tracks, frameRate, start] : rows) {
        SCOPED_TRACE(codec + std::to_string(channels));
        // Two seconds and a short last chunk; floats below 0.5, so that a decoder has no reason
        // to touch them.
        const std::size_t frames = 2 * rate + 13;
        Bytes samples = test::pseudoRandomBytes(frames * channels * bits / 8, rate);
        for (std::size_t at = 3; bits == 32 && at < samples.size(); at += 4) {
            samples[at] &= 0x3E;
        }
        test::writeFile(path("T01.wav"),
                        bwf(channels, rate, bits, std::uint64_t{rate} * 46800, samples));
        const std::string movie = path(std::string(codec) + tracks + ".mov");
        BwfImportOptions options;
        options.frameRate = BwfFrameRate::parse(frameRate);
        auto info = import("T01.wav", fs::path(movie).filename(), options);
        ASSERT_TRUE(info) << info.error().message;
        EXPECT_EQ(info->value("Filename"), movie);
        EXPECT_EQ(info->value("Media Start"), start);
        EXPECT_EQ(info->value("Tracks"), tracks);
        EXPECT_EQ(probe(movie, "stream=codec_name,sample_rate,channels,duration_ts"),
                  std::string(codec) + "," + std::to_string(rate) + "," + std::to_string(channels) +
                      "," + std::to_string(frames) + "\n");
        EXPECT_EQ(test::probeTimecode(movie).timecode, start);
        EXPECT_EQ(test::probeTimecode(movie).reel, "R07");
        EXPECT_TRUE(decode(movie, std::string(codec).substr(4)) == samples);
        if (test::haveProgram("mediainfo")) {
            EXPECT_EQ(test::commandOutput("mediainfo --Inform='Audio;%BitDepth%' " +
                                          test::shellQuote(movie)),
                      std::to_string(bits) + "\n");
            EXPECT_EQ(test::mediainfoFirstTimecode(movie).substr(0, 11), start);
        }
    }
    EXPECT_EQ(test::temporariesIn(m_folder), 0);
}

TEST_F(BwfImportTest, LinkedMovieReadsTheBwfDataInPlace) {
    const Bytes samples = test::pseudoRandomBytes(48000 * 3 * 2, 11);
    // A large JUNK chunk first, so the data lies well inside the file.
    test::BextFields fields = test::describedAs("sTAPE=R02");
    fields.timeReference = 48000ull * 3600 * 2;
    test::writeFile(path("L.wav"), test::buildWave({{"JUNK", Bytes(10001, 0)},
                                                    {"bext", test::bextBody(fields)},
                                                    {"fmt ", test::fmtBody(1, 2, 48000, 24)},
                                                    {"data", samples}}));
    BwfImportOptions options;
    options.linkmedia = true;
    auto info = import("L.wav", "L.mov", options);
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media End"), "02:00:01:00");
    EXPECT_LT(std::filesystem::file_size(path("L.mov")), 4096u); // nothing copied
    EXPECT_TRUE(m_log.empty());
    EXPECT_TRUE(decode(path("L.mov"), "s24le", "-enable_drefs 1 -use_absolute_path 1") == samples);
    EXPECT_EQ(test::probeTimecode(path("L.mov")).timecode, "02:00:00:00");
    EXPECT_EQ(test::probeTimecode(path("L.mov")).reel, "R02");

    // A reduction to 16 bits at 44.1 kHz cannot refer to the 24-bit samples: it copies, and
    // says so.
    options.bitReduce = true;
    options.sampleRate = "44100 kHz";
    auto reduced = import("L.wav", "L16.mov", options);
    ASSERT_TRUE(reduced);
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find("holds a copy"), std::string::npos) << m_log[0];
    EXPECT_EQ(probe(path("L16.mov"), "stream=codec_name,sample_rate,channels,duration_ts"),
              "pcm_s16le,44100,2,44100\n");
    EXPECT_EQ(reduced->value("Media End"), "02:00:01:00");
}

// One second of 16-bit mono silence with a click at sample `click`.
Bytes clickAt(std::size_t click) {
    Bytes samples(48000 * 2, 0);
    samples[2 * click] = 0x20;
    samples[2 * click + 1] = 0x4E; // 20000
    return samples;
}

// The first sample at or above 10000 in one channel of decoded 16-bit stereo.
std::optional<std::size_t> firstClick(const Bytes& stereo, int channel) {
    for (std::size_t frame = 0; 4 * frame + 3 < stereo.size(); ++frame) {
        const std::size_t at = 4 * frame + 2 * static_cast<std::size_t>(channel);
        if (static_cast<std::int16_t>(stereo[at] | stereo[at + 1] << 8) >= 10000) {
            return frame;
        }
    }
    return std::nullopt;
}

// The two files of a pair are laid by their time references: ffmpeg hears the click of each
// where the recordings put it in time, the first file's on the left. The record is the first's.
TEST_F(BwfImportTest, PairIsLaidOutByTheTimeReferences) {
    // Each row: the samples channel B starts after channel A, the start, what is logged.
    const std::tuple<std::int64_t, const char*, const char*> rows[] = {
        {9600, "01:00:00:00", "S1_____2.wav starts 9600 samples (0.200 s) after S1_____1.wav"},
        {-9600, "00:59:59:20", "S1_____1.wav starts 9600 samples (0.200 s) after S1_____2.wav"},
    };
    const std::uint64_t referenceA = 48000ull * 3600;
    test::writeFile(path("S1_____1.wav"), bwf(1, 48000, 16, referenceA, clickAt(100)));
    for (const auto& [secondLater, mediaStart, logged] : rows) {
        SCOPED_TRACE(secondLater);
        m_log.clear();
        test::writeFile(path("S1_____2.wav"),
                        bwf(1, 48000, 16, referenceA + static_cast<std::uint64_t>(secondLater),
                            clickAt(100), "sTAKE=9"));
        const std::string movie = secondLater > 0 ? "S1____P1.mov" : "S1____P2.mov";
        auto info = importPair("S1_____1.wav", "S1_____2.wav", movie);
        ASSERT_TRUE(info) << info.error().message;
        EXPECT_EQ(info->value("Media Start"), mediaStart);
        EXPECT_EQ(info->value("Shot/Take"), "1");
        EXPECT_EQ(info->value("Tracks"), "2A");
        ASSERT_FALSE(m_log.empty());
        EXPECT_NE(m_log[0].find(logged), std::string::npos) << m_log[0];
        const Bytes decoded = decode(path(movie), "s16le");
        EXPECT_EQ(decoded.size(), (48000u + 9600u) * 4);
        EXPECT_EQ(firstClick(decoded, 0), 100u + (secondLater < 0 ? 9600 : 0));
        EXPECT_EQ(firstClick(decoded, 1), 100u + (secondLater > 0 ? 9600 : 0));
    }
}

// What is refused writes nothing, not even a temporary: a pair the pairing rule refuses, a sample
// rate no movie can declare, a file that is not WAVE.
TEST_F(BwfImportTest, RefusalsWriteNothing) {
    test::writeFile(path("X_1.wav"), bwf(1, 48000, 24, 0, Bytes(4800 * 3, 1)));
    // Each row: whether X_2.wav is imported with X_1.wav or alone, X_2.wav, what is said.
    const std::tuple<bool, Bytes, const char*> rows[] = {
        {true, bwf(1, 44100, 24, 0, Bytes(4800 * 3, 1)), "differ in sample"},
        {true, bwf(1, 48000, 16, 0, Bytes(4800 * 3, 1)), "differ in sample"},
        {true, bwf(1, 48000, 24, 48000 * 10, Bytes(4800 * 3, 1)), "do not overlap"},
        {false, bwf(1, 0, 16, 0, Bytes(400, 1)), "sample rate"},
        {false, bwf(1, 0x80000000u, 16, 0, Bytes(400, 1)), "sample rate"},
        {false, bwf(1, 0xFFFFFFFFu, 16, 0, Bytes(400, 1)), "sample rate"},
        {false, {}, "not a WAVE file"},
        {false, Bytes{'S', 'C', 'E', 'N', 'E', ' ', '4', '\n'}, "not a WAVE file"},
        {false, Bytes{'R', 'I', 'F', 'F', 0x10, 0, 0}, "not a WAVE file"},
    };
    for (const auto& [pair, second, said] : rows) {
        SCOPED_TRACE(said);
        test::writeFile(path("X_2.wav"), second);
        auto info =
            pair ? importPair("X_1.wav", "X_2.wav", "XP1.mov") : import("X_2.wav", "XP1.mov");
        ASSERT_FALSE(info);
        EXPECT_NE(info.error().message.find(said), std::string::npos) << info.error().message;
        EXPECT_FALSE(std::filesystem::exists(path("XP1.mov")));
        EXPECT_EQ(test::temporariesIn(m_folder), 0);
    }
    // A WAVE file without bext is answered with its record, and no movie.
    test::writeFile(path("plain.wav"), test::buildWave({{"fmt ", test::fmtBody(1, 1, 48000, 16)},
                                                        {"data", Bytes(20, 0)}}));
    auto info = import("plain.wav", "plain.mov");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->value("containsbext"), "NO");
    EXPECT_FALSE(std::filesystem::exists(path("plain.mov")));
}

// A plain RIFF recording past 4 GiB whose data size stayed at 0xFFFFFFFF: every sample to the
// end of the file is in the movie, and a warning says why. A sparse file and a linked movie
// keep the test small.
TEST_F(BwfImportTest, RiffOver4GiBIsReadToTheEnd) {
    const Bytes header = test::buildWave({{"bext", test::bextBody(test::describedAs("sTAPE=BIG"))},
                                          {"fmt ", test::fmtBody(1, 2, 48000, 24)},
                                          {"data", Bytes{}, 0xFFFFFFFFu}});
    test::writeFile(path("BIG.wav"), header);
    const std::uint64_t frames = 750'000'000; // 4.5 GB, 4 h 20 min
    std::filesystem::resize_file(path("BIG.wav"), header.size() + frames * 6);
    BwfImportOptions options;
    options.linkmedia = true;
    auto info = import("BIG.wav", "BIG.mov", options);
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(info->value("Media End"), "04:20:25:00");
    EXPECT_EQ(probe(path("BIG.mov"), "stream=duration_ts"), std::to_string(frames) + "\n");
    ASSERT_EQ(m_warnings.size(), 1u);
    EXPECT_NE(m_warnings[0].find("over 4 GiB"), std::string::npos) << m_warnings[0];
    EXPECT_EQ(m_log, m_warnings);
}

// At 1 Hz half a second is not even a frame: chunks are sized in bytes, so the header stays
// small beside the sound.
TEST_F(BwfImportTest, OneHertzMovieIsNotMostlyHeader) {
    const Bytes samples = test::pseudoRandomBytes(400000, 9);
    test::writeFile(path("ONE.wav"), bwf(1, 1, 16, 0, samples));
    ASSERT_TRUE(import("ONE.wav", "ONE.mov"));
    EXPECT_LT(std::filesystem::file_size(path("ONE.mov")), samples.size() + 4096);
    EXPECT_EQ(probe(path("ONE.mov"), "stream=sample_rate,duration_ts"), "1,200000\n");
}

// What the sound-movie writer refuses to put in place; the movies it writes are judged above.
using qtff::PcmEncoding;

// A movie without timecode is sound alone; one that ends inside a frame is never put in place.
TEST_F(BwfImportTest, SoundMovieWithoutTimecodeAndAbandoned) {
    qtff::SoundMovieOptions options;
    options.format = {PcmEncoding::Int16LE, 2, 48000};
    for (const std::size_t bytes : {400u, 3u}) {
        const std::string movie = path(std::to_string(bytes) + ".mov");
        auto writer = qtff::SoundMovieWriter::create(movie, options);
        ASSERT_TRUE(writer);
        ASSERT_TRUE((*writer)->write(test::Bytes(bytes, 0)));
        EXPECT_EQ((*writer)->finish(ExistingTarget::Keep).ok(), bytes == 400u);
        EXPECT_EQ(std::filesystem::exists(movie), bytes == 400u);
    }
    EXPECT_EQ(test::temporariesIn(m_folder), 0);
    EXPECT_EQ(test::commandOutput("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " +
                                  test::shellQuote(path("400.mov"))),
              "audio\n");
}

// A source that ends before the samples asked for: the error says how far the copy got, not
// errno's "Success".
TEST_F(BwfImportTest, SoundMovieShortCopySaysHowFarItGot) {
    const std::string source = writeText("samples.raw", std::string(1000, 'x'));
    qtff::SoundMovieOptions options;
    options.format = {PcmEncoding::Int16LE, 2, 48000};
    auto writer = qtff::SoundMovieWriter::create(path("c.mov"), options);
    ASSERT_TRUE(writer);
    const Status copied = (*writer)->copyFrom(source, 200, 1200);
    ASSERT_FALSE(copied);
    EXPECT_NE(copied.error().message.find("ended early: 800 of 1200 bytes copied"),
              std::string::npos)
        << copied.error().message;
    EXPECT_EQ(copied.error().message.find("Success"), std::string::npos);
}

} // namespace
} // namespace korvel
