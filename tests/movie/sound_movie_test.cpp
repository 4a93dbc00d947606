// SPDX-License-Identifier: MIT
// New sound movies judged by ffprobe, ffmpeg and mediainfo: format, rate, channels, bit depth,
// start timecode, reel, and the decoded audio bit for bit. Each case skips without the tools.
#include "qtff/sound_track.h"
#include "support/outside_tools.h"
#include "test_media.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace korvel {
namespace {

using qtff::PcmEncoding;
using qtff::SoundFormat;

std::vector<std::uint8_t> pseudoRandom(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return bytes;
}

// Float samples in [-1, 1] so that a decoder has no reason to touch them.
std::vector<std::uint8_t> floatSamples(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) {
        const float value = static_cast<float>(static_cast<int>(i % 2001) - 1000) / 1000.0f;
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        for (int k = 0; k < 4; ++k) {
            bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
        }
    }
    return bytes;
}

struct MovieCase {
    const char* name;
    SoundFormat format;
    const char* codec;     // ffprobe codec_name
    const char* rawFormat; // ffmpeg -f for the decoded samples
};

class SoundMovieTest : public testing::TestWithParam<MovieCase> {
  protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("korvel-sound-movie-" + std::to_string(::getpid()) + "-" + GetParam().name);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

TEST_P(SoundMovieTest, ToolsReadTheAudioTimecodeAndReel) {
    if (!test::haveProgram("ffprobe") || !test::haveProgram("ffmpeg")) {
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    }
    const MovieCase& c = GetParam();
    const std::string path = (m_dir / "take.mov").string();
    // 1.5 s plus a few frames: chunks of half a second and a short last one.
    const std::uint64_t frames = c.format.sampleRate * 3 / 2 + 13;
    const std::size_t bytes = frames * c.format.bytesPerFrame();
    const auto samples = c.format.encoding == PcmEncoding::Float32LE
                             ? floatSamples(bytes / 4)
                             : pseudoRandom(bytes, c.format.sampleRate);

    qtff::SoundMovieOptions options;
    options.format = c.format;
    qtff::TimecodeTrackOptions timecode;
    timecode.format = {2, 25, 1, 25};                   // PAL, hours wrap after 23
    timecode.startFrame = 25 * 3600 * 13 + 25 * 61 + 7; // 13:01:01:07
    timecode.reelName = "A001";
    options.timecode = timecode;
    {
        auto writer = qtff::SoundMovieWriter::create(path, options);
        ASSERT_TRUE(writer) << writer.error().message;
        // Uneven blocks that split frames.
        for (std::size_t at = 0; at < samples.size();) {
            const std::size_t count = std::min<std::size_t>(70001, samples.size() - at);
            ASSERT_TRUE((*writer)->write({samples.data() + at, count}));
            at += count;
        }
        EXPECT_FALSE(std::filesystem::exists(path));
        ASSERT_TRUE((*writer)->finish(ExistingTarget::Keep));
    }

    const std::string audio =
        test::commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                            "stream=codec_name,sample_rate,channels,duration_ts -of csv=p=0 '" +
                            path + "'");
    EXPECT_EQ(audio, std::string(c.codec) + "," + std::to_string(c.format.sampleRate) + "," +
                         std::to_string(c.format.channels) + "," + std::to_string(frames) + "\n");
    const std::string tags =
        test::commandOutput("ffprobe -v error -show_entries stream_tags=timecode,reel_name "
                            "-of default=nw=1 '" +
                            path + "'");
    EXPECT_NE(tags.find("TAG:timecode=13:01:01:07"), std::string::npos) << tags;
    EXPECT_NE(tags.find("TAG:reel_name=A001"), std::string::npos) << tags;

    const std::string decodedPath = (m_dir / "decoded.raw").string();
    ASSERT_EQ(std::system(("ffmpeg -v error -y -i '" + path + "' -map 0:a -c:a pcm_" + c.rawFormat +
                           " -f " + c.rawFormat + " '" + decodedPath + "'")
                              .c_str()),
              0);
    std::ifstream decoded(decodedPath, std::ios::binary);
    const std::vector<std::uint8_t> decodedBytes((std::istreambuf_iterator<char>(decoded)),
                                                 std::istreambuf_iterator<char>());
    EXPECT_TRUE(decodedBytes == samples)
        << "decoded " << decodedBytes.size() << " bytes of " << samples.size();

    if (test::haveProgram("mediainfo")) {
        const std::string info = test::commandOutput(
            "mediainfo --Inform='Audio;%SamplingRate%,%Channels%,%BitDepth%' '" + path + "'");
        EXPECT_EQ(info, std::to_string(c.format.sampleRate) + "," +
                            std::to_string(c.format.channels) + "," +
                            std::to_string(c.format.bytesPerSample() * 8) + "\n");
        const std::string start =
            test::commandOutput("mediainfo --Inform='Other;%TimeCode_FirstFrame%' '" + path + "'");
        EXPECT_EQ(start.substr(0, 11), "13:01:01:07") << start;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundMovieTest,
    testing::Values(
        MovieCase{"Stereo16At48k", {PcmEncoding::Int16LE, 2, 48000}, "pcm_s16le", "s16le"},
        MovieCase{"Mono24At44k1", {PcmEncoding::Int24LE, 1, 44100}, "pcm_s24le", "s24le"},
        MovieCase{"Stereo24At48k", {PcmEncoding::Int24LE, 2, 48000}, "pcm_s24le", "s24le"},
        MovieCase{"Stereo24At96k", {PcmEncoding::Int24LE, 2, 96000}, "pcm_s24le", "s24le"},
        MovieCase{"Six24At48k", {PcmEncoding::Int24LE, 6, 48000}, "pcm_s24le", "s24le"},
        MovieCase{"Mono16At96k", {PcmEncoding::Int16LE, 1, 96000}, "pcm_s16le", "s16le"},
        MovieCase{"StereoFloatAt48k", {PcmEncoding::Float32LE, 2, 48000}, "pcm_f32le", "f32le"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundMovie, WithoutTimecodeAndAbandoned) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("korvel-sound-movie-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    qtff::SoundMovieOptions options;
    options.format = {PcmEncoding::Int16LE, 2, 48000};
    {
        auto writer = qtff::SoundMovieWriter::create((dir / "a.mov").string(), options);
        ASSERT_TRUE(writer);
        ASSERT_TRUE((*writer)->write(std::vector<std::uint8_t>(4 * 100, 0)));
        ASSERT_TRUE((*writer)->finish(ExistingTarget::Keep));
    }
    if (test::haveProgram("ffprobe")) {
        EXPECT_EQ(
            test::commandOutput("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 '" +
                                (dir / "a.mov").string() + "'"),
            "audio\n");
    }
    {
        auto writer = qtff::SoundMovieWriter::create((dir / "b.mov").string(), options);
        ASSERT_TRUE(writer);
        ASSERT_TRUE((*writer)->write(std::vector<std::uint8_t>(3, 0)));
        EXPECT_FALSE((*writer)->finish(ExistingTarget::Keep)); // ends inside a frame
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "b.mov"));
    EXPECT_EQ(test::temporariesIn(dir), 0);
    std::filesystem::remove_all(dir);
}

// A source that ends before the samples asked for: the error says how far the copy got, not
// errno's "Success".
TEST(SoundMovie, ShortCopySaysHowFarItGot) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("korvel-short-copy-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string source = (dir / "samples.raw").string();
    {
        std::ofstream out(source, std::ios::binary);
        out << std::string(1000, 'x');
    }
    qtff::SoundMovieOptions options;
    options.format = {PcmEncoding::Int16LE, 2, 48000};
    auto writer = qtff::SoundMovieWriter::create((dir / "c.mov").string(), options);
    ASSERT_TRUE(writer);
    const Status copied = (*writer)->copyFrom(source, 200, 1200);
    ASSERT_FALSE(copied);
    EXPECT_NE(copied.error().message.find("ended early: 800 of 1200 bytes copied"),
              std::string::npos)
        << copied.error().message;
    EXPECT_EQ(copied.error().message.find("Success"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(SoundMovie, RatesAMovieCannotDeclareAreRefused) {
    for (const std::uint32_t rate : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        const Status status = qtff::checkSoundFormat({PcmEncoding::Int16LE, 2, rate});
        ASSERT_FALSE(status) << rate;
        EXPECT_NE(status.error().message.find("cannot be declared"), std::string::npos);
    }
    EXPECT_TRUE(qtff::checkSoundFormat({PcmEncoding::Int16LE, 1, 1}));
    EXPECT_TRUE(qtff::checkSoundFormat({PcmEncoding::Int24LE, 2, 0x7FFFFFFF}));
}

} // namespace
} // namespace korvel
