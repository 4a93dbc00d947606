// SPDX-License-Identifier: MIT
#include "../audio/wave_builder.h"
#include "support/outside_tools.h"
#include "viewer/sound_feeder.h"
#include "viewer/sound_reversal.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

namespace korvel::viewer {
namespace {

constexpr int kRate = 48000;
constexpr std::int64_t kFrames = 10000;

// Left counts up from 0, right counts down from -1: every sample frame is told apart from the
// others.
std::int16_t leftAt(std::int64_t frame) {
    return std::int16_t(frame);
}
std::int16_t rightAt(std::int64_t frame) {
    return std::int16_t(-1 - frame);
}

std::string writeCounterWav() {
    const auto path = (korvel::test::processScratch("korvel-sound") / "counter.wav").string();
    korvel::test::Bytes data;
    for (std::int64_t i = 0; i < kFrames; ++i) {
        korvel::test::putLittle(data, std::uint16_t(leftAt(i)), 2);
        korvel::test::putLittle(data, std::uint16_t(rightAt(i)), 2);
    }
    korvel::test::writeFile(
        path, korvel::test::buildWave(
                  {{"fmt ", korvel::test::fmtBody(1, 2, kRate, 16)}, {"data", data}}));
    return path;
}

class CaptureSink final : public SoundSink {
  public:
    std::optional<SoundFormat> begin() override {
        std::lock_guard lock(mutex);
        ++begun;
        return format;
    }
    bool write(std::span<const std::int16_t> samples) override {
        std::lock_guard lock(mutex);
        if (writes == stopAfterWrites)
            return false;
        ++writes;
        captured.insert(captured.end(), samples.begin(), samples.end());
        return true;
    }
    void end() override {}

    std::mutex mutex;
    std::optional<SoundFormat> format = SoundFormat{kRate, 2};
    std::vector<std::int16_t> captured;
    int begun = 0;
    int writes = 0;
    int stopAfterWrites = -1;
};

// What a play of the file from `frame` (25 fps) gives the sound device, once all of it is fed.
std::vector<std::int16_t> played(const std::string& path, int direction, std::int64_t frame) {
    CaptureSink sink;
    SoundFeeder feeder(sink);
    feeder.setSource(path);
    feeder.playStarted(direction, MediaTime{frame, 25});
    feeder.waitUntilFed();
    return sink.captured;
}

struct PlayCase {
    const char* name;
    int direction;
    std::int64_t startFrame; // the frame on screen, 25 fps
    std::int64_t firstSample;
    std::int64_t samples; // played, in play order from firstSample
};

// 1920 sample frames per picture frame; blocks of 2048 cross frame boundaries everywhere.
TEST(SoundFeeder, GivesEverySampleInPlayOrderBitExact) {
    const PlayCase cases[] = {
        {"forward from the start", 1, 0, 0, kFrames},
        {"forward from frame two", 1, 2, 3840, kFrames - 3840},
        {"reverse from frame five", -1, 5, 9599, 9600},
        {"reverse from frame one", -1, 1, 1919, 1920},
        {"reverse from the start is silent", -1, 0, 0, 0},
    };
    const auto wav = writeCounterWav();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto captured = played(wav, c.direction, c.startFrame);
        ASSERT_EQ(captured.size(), std::size_t(c.samples) * 2);
        for (std::int64_t i = 0; i < c.samples; ++i) {
            const std::int64_t frame = c.firstSample + c.direction * i;
            ASSERT_EQ(captured[std::size_t(2 * i)], leftAt(frame)) << "sample frame " << i;
            ASSERT_EQ(captured[std::size_t(2 * i + 1)], rightAt(frame)) << "sample frame " << i;
        }
    }
}

TEST(SoundFeeder, StopEndsFeedingAndTheNextPlayStartsAfresh) {
    CaptureSink sink;
    sink.stopAfterWrites = 1;
    SoundFeeder feeder(sink);
    feeder.setSource(writeCounterWav());
    feeder.playStarted(1, MediaTime{0, 25});
    feeder.waitUntilFed();
    EXPECT_EQ(sink.captured.size(), std::size_t(SoundFeeder::kBlockFrames) * 2);
    feeder.playStopped();
    sink.captured.clear();
    sink.stopAfterWrites = -1;
    feeder.playStarted(-1, MediaTime{1, 25});
    feeder.waitUntilFed();
    ASSERT_EQ(sink.captured.size(), 1920u * 2);
    EXPECT_EQ(sink.captured[0], leftAt(1919));
}

// Without a sound device, or without sound in the file, play is silent.
TEST(SoundFeeder, NoDeviceOrNoSoundPlaysNothing) {
    for (const bool device : {false, true}) {
        CaptureSink sink;
        if (!device)
            sink.format.reset();
        SoundFeeder feeder(sink);
        feeder.setSource(device ? "/nonexistent/none.wav" : writeCounterWav());
        feeder.playStarted(1, MediaTime{0, 25});
        feeder.waitUntilFed();
        feeder.playStopped();
        if (!device) {
            EXPECT_EQ(sink.begun, 1) << "the device is asked for";
        }
        EXPECT_TRUE(sink.captured.empty());
    }
}

// A movie's AAC sound: reverse play is the forward decode backwards, with no click at any of the
// seeks the reverse blocks make, down to the encoder's priming packet before time 0. A decoder
// restarted after a seek rounds a few samples differently from one that ran on: at most 3 steps.
TEST(SoundFeeder, ReversePlayOfAMoviesAacIsItsForwardSoundBackwards) {
    if (!korvel::test::haveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    const auto path = (korvel::test::processScratch("korvel-sound") / "aac.mov").string();
    ASSERT_EQ(korvel::test::runCommand(
                  "ffmpeg -v error -y -f lavfi -i sine=frequency=441:duration=1:sample_rate=48000 "
                  "-ac 2 -c:a aac " +
                  korvel::test::shellQuote(path))
                  .status,
              0);
    const auto forward = played(path, 1, 0);
    const auto reverse = played(path, -1, 20);
    const std::size_t frames = 20 * 1920;
    ASSERT_GE(forward.size(), frames * 2);
    ASSERT_EQ(reverse.size(), frames * 2);
    for (std::size_t i = 0; i < frames * 2; ++i)
        ASSERT_LE(std::abs(reverse[i] - forward[2 * (frames - 1 - i / 2) + i % 2]), 3)
            << "sample " << i;
}

TEST(SoundReversal, ReversesFramesBitExactAndKeepsChannelsTogether) {
    // Two channels of 24-bit samples: frames of 6 bytes.
    std::vector<std::uint8_t> block;
    for (std::uint8_t i = 0; i < 4 * 6; ++i)
        block.push_back(i);
    const auto reversed = reverseSampleFrames(block, 6);
    ASSERT_EQ(reversed.size(), block.size());
    for (std::size_t frame = 0; frame < 4; ++frame)
        for (std::size_t b = 0; b < 6; ++b)
            EXPECT_EQ(reversed[frame * 6 + b], block[(3 - frame) * 6 + b]);
    // Reversed twice is the original, bit for bit.
    EXPECT_EQ(reverseSampleFrames(reversed, 6), block);
}

TEST(SoundReversal, DropsATrailingPartialFrame) {
    const std::vector<std::uint8_t> block = {1, 2, 3, 4, 5};
    EXPECT_EQ(reverseSampleFrames(block, 2), (std::vector<std::uint8_t>{3, 4, 1, 2}));
    EXPECT_TRUE(reverseSampleFrames(block, 0).empty());
}

} // namespace
} // namespace korvel::viewer
