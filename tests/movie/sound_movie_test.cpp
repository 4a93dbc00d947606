// SPDX-License-Identifier: MIT
// What the sound-movie writer refuses to put in place; the movies it writes are judged by the
// outside tools in the BWF import tests.
#include "../audio/wave_builder.h"
#include "qtff/sound_track.h"
#include "support/output_folder_test.h"
#include "test_media.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using qtff::PcmEncoding;
using qtff::SoundFormat;

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
