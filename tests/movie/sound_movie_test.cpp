// SPDX-License-Identifier: MIT
// New sound movies judged by ffprobe, ffmpeg and mediainfo: format, rate, channels, bit depth,
// start timecode, reel, and the decoded audio bit for bit. Each case skips without the tools.
#include "../audio/wave_builder.h"
#include "qtff/sound_track.h"
#include "support/output_folder_test.h"
#include "test_media.h"

#include <cstring>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using qtff::PcmEncoding;
using qtff::SoundFormat;

// Float samples in [-1, 1] so that a decoder has no reason to touch them.
test::Bytes floatSamples(std::size_t count) {
    test::Bytes bytes;
    for (std::size_t i = 0; i < count; ++i) {
        const float value = static_cast<float>(static_cast<int>(i % 2001) - 1000) / 1000.0f;
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        test::putLittle(bytes, bits, 4);
    }
    return bytes;
}

struct MovieCase {
    const char* name;
    SoundFormat format;
    const char* codec; // ffprobe codec_name; "pcm_" + ffmpeg's raw format
};

class SoundMovieTest : public test::OutputFolderTest,
                       public testing::WithParamInterface<MovieCase> {};

TEST_P(SoundMovieTest, ToolsReadTheAudioTimecodeAndReel) {
    if (!test::haveProgram("ffprobe") || !test::haveProgram("ffmpeg")) {
        GTEST_SKIP() << "ffprobe/ffmpeg not installed";
    }
    const MovieCase& c = GetParam();
    const std::string movie = path("take.mov");
    // 1.5 s plus a few frames: chunks of half a second and a short last one.
    const std::uint64_t frames = c.format.sampleRate * 3 / 2 + 13;
    const std::size_t bytes = frames * c.format.bytesPerFrame();
    const auto samples = c.format.encoding == PcmEncoding::Float32LE
                             ? floatSamples(bytes / 4)
                             : test::pseudoRandomBytes(bytes, c.format.sampleRate);
    qtff::SoundMovieOptions options;
    options.format = c.format;
    qtff::TimecodeTrackOptions timecode;
    timecode.format = {2, 25, 1, 25};                   // PAL, hours wrap after 23
    timecode.startFrame = 25 * 3600 * 13 + 25 * 61 + 7; // 13:01:01:07
    timecode.reelName = "A001";
    options.timecode = timecode;
    {
        auto writer = qtff::SoundMovieWriter::create(movie, options);
        ASSERT_TRUE(writer) << writer.error().message;
        // Uneven blocks that split frames.
        for (std::size_t at = 0; at < samples.size();) {
            const std::size_t count = std::min<std::size_t>(70001, samples.size() - at);
            ASSERT_TRUE((*writer)->write({samples.data() + at, count}));
            at += count;
        }
        EXPECT_FALSE(std::filesystem::exists(movie));
        ASSERT_TRUE((*writer)->finish(ExistingTarget::Keep));
    }
    EXPECT_EQ(
        test::commandOutput("ffprobe -v error -select_streams a:0 -show_entries "
                            "stream=codec_name,sample_rate,channels,duration_ts -of csv=p=0 " +
                            test::shellQuote(movie)),
        std::string(c.codec) + "," + std::to_string(c.format.sampleRate) + "," +
            std::to_string(c.format.channels) + "," + std::to_string(frames) + "\n");
    const test::ProbedTimecode probed = test::probeTimecode(movie);
    EXPECT_EQ(probed.timecode, "13:01:01:07");
    EXPECT_EQ(probed.reel, "A001");
    const std::string raw = std::string(c.codec).substr(4);
    ASSERT_EQ(std::system(("ffmpeg -v error -y -i " + test::shellQuote(movie) + " -map 0:a -c:a " +
                           c.codec + " -f " + raw + " " + test::shellQuote(path("decoded.raw")))
                              .c_str()),
              0);
    EXPECT_TRUE(test::readFile(path("decoded.raw")) == samples);
    if (test::haveProgram("mediainfo")) {
        EXPECT_EQ(
            test::commandOutput("mediainfo --Inform='Audio;%SamplingRate%,%Channels%,%BitDepth%' " +
                                test::shellQuote(movie)),
            std::to_string(c.format.sampleRate) + "," + std::to_string(c.format.channels) + "," +
                std::to_string(c.format.bytesPerSample() * 8) + "\n");
        EXPECT_EQ(test::mediainfoFirstTimecode(movie).substr(0, 11), "13:01:01:07");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SoundMovieTest,
    testing::Values(MovieCase{"Stereo16At48k", {PcmEncoding::Int16LE, 2, 48000}, "pcm_s16le"},
                    MovieCase{"Mono24At44k1", {PcmEncoding::Int24LE, 1, 44100}, "pcm_s24le"},
                    MovieCase{"Six24At96k", {PcmEncoding::Int24LE, 6, 96000}, "pcm_s24le"},
                    MovieCase{"StereoFloatAt48k", {PcmEncoding::Float32LE, 2, 48000}, "pcm_f32le"}),
    [](const auto& info) { return std::string(info.param.name); });

class SoundMovieWriterTest : public test::OutputFolderTest {};

// A movie without timecode is sound alone; one that ends inside a frame is never put in place.
TEST_F(SoundMovieWriterTest, WithoutTimecodeAndAbandoned) {
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
    if (test::haveProgram("ffprobe")) {
        EXPECT_EQ(test::commandOutput("ffprobe -v error -show_entries stream=codec_type -of "
                                      "csv=p=0 " +
                                      test::shellQuote(path("400.mov"))),
                  "audio\n");
    }
}

// A source that ends before the samples asked for: the error says how far the copy got, not
// errno's "Success".
TEST_F(SoundMovieWriterTest, ShortCopySaysHowFarItGot) {
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
