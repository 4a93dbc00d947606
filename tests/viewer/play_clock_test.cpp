// SPDX-License-Identifier: MIT
// Ten minutes of play on a time of the test's own: the pictures keep the sound device's time
// when the device runs fast or slow, run on by the steady clock when its sound ends, and keep
// the steady clock without sound.
// Then the readout: the timecode text of a frame, and the frame a running play has reached.
#include "viewer/movie_player.h"
#include "viewer/timecode_readout.h"

#include <cmath>
#include <gtest/gtest.h>

namespace korvel::viewer {
namespace {

constexpr std::int32_t kFramesPerSecond = 25;
constexpr std::int64_t kFrames = 10 * 60 * kFramesPerSecond;
constexpr double kFrameSeconds = 1.0 / kFramesPerSecond;

/// A time that passes only when the play thread waits; each wait checks the picture on screen.
class TestTime final : public TimeSource {
  public:
    Micros now() const override { return m_now; }
    void sleepFor(Micros duration) override {
        m_now += duration;
        if (onWait)
            onWait();
    }
    double seconds() const { return double(m_now.count()) / 1e6; }

    std::function<void()> onWait;

  private:
    Micros m_now{1000000};
};

struct SoundCase {
    const char* name;
    /// Sound played per second of the steady clock; 0: no sound plays.
    double rate;
    /// The sound ends after this much of it (seconds).
    double length;
    int direction;
};

void expectPictureWithinAFrameOfTheTimePlayed(const SoundCase& row) {
    TestTime time;
    const double began = time.seconds();
    // What the sound device reports: its own rate, frozen once its sound has ended.
    auto heard = [&]() -> double {
        return std::min(row.rate * (time.seconds() - began), row.length);
    };
    SoundPosition sound;
    if (row.rate > 0)
        sound = [&]() -> std::optional<Micros> { return Micros(std::int64_t(heard() * 1e6)); };
    // What the pictures must follow: the sound while it lasts, then the steady clock from there.
    auto expected = [&]() -> double {
        const double wall = time.seconds() - began;
        if (row.rate <= 0)
            return wall;
        const double ended = row.length / row.rate;
        return wall < ended ? heard() : row.length + (wall - ended);
    };

    MoviePlayer player({kFramesPerSecond, kFrames}, FrameClock(kFrames, 1, kFramesPerSecond),
                       nullptr, nullptr, nullptr);
    player.setPlayClock(std::make_shared<PlayClock>(time, sound));
    const std::int64_t first = row.direction > 0 ? 0 : kFrames - 1;
    player.goToFrame(first);

    double worst = 0;
    std::int64_t waits = 0;
    time.onWait = [&] {
        const double shown = double(std::llabs(player.currentFrame() - first)) * kFrameSeconds;
        worst = std::max(worst, std::abs(shown - expected()));
        ++waits;
    };
    player.play(row.direction);
    player.waitUntilStopped();

    EXPECT_GT(waits, kFrames) << "play ended early";
    EXPECT_EQ(player.currentFrame(), row.direction > 0 ? kFrames - 1 : 0);
    // One frame shows for a frame's time; the clock looks at the sound at least every 5 ms.
    EXPECT_LE(worst, kFrameSeconds + 0.005) << "pictures drifted from the sound";
}

TEST(PlayClock, PictureStaysWithinAFrameOfTheTimePlayedForTenMinutes) {
    const SoundCase cases[] = {
        {"device half a percent fast", 1.005, 1e9, 1},
        {"device half a percent slow", 0.995, 1e9, 1},
        {"reverse, device fast", 1.005, 1e9, -1},
        {"sound ends after a minute", 0.995, 60.0, 1},
        {"silent", 0, 0, 1},
        {"silent reverse", 0, 0, -1},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        expectPictureWithinAFrameOfTheTimePlayed(row);
    }
}

const TimeCodeDef kPal{kTc24HourMax, 25, 1, 25, 0};
const TimeCodeDef kFilm{kTc24HourMax, 24, 1, 24, 0};
const TimeCodeDef kNtscDf{kTc24HourMax | kTcDropFrame, 2997, 100, 30, 0};
const TimeCodeDef kNtscNdf{kTc24HourMax, 2997, 100, 30, 0};
const TimeCodeDef kPalNoWrap{0, 25, 1, 25, 0};

struct ReadoutCase {
    const char* name;
    TimeCodeDef def;
    std::int64_t frame;
    const char* text;
};

TEST(ReadoutText, NamesTheFrameUnderEveryCounting) {
    const ReadoutCase cases[] = {
        {"pal start of hour", kPal, 90000, "01:00:00:00"},
        {"film last frame of a second", kFilm, 23, "00:00:00:23"},
        {"ndf one minute", kNtscNdf, 1800, "00:01:00:00"},
        {"df before first dropped minute", kNtscDf, 1799, "00:00:59;29"},
        {"df first dropped minute skips 00 and 01", kNtscDf, 1800, "00:01:00;02"},
        {"df tenth minute keeps 00", kNtscDf, 17982, "00:10:00;00"},
        {"df last frame of the day", kNtscDf, 2589407, "23:59:59;29"},
        {"df wraps after 24 hours", kNtscDf, 2589408, "00:00:00;00"},
        {"pal wraps after 24 hours", kPal, 86400 * 25 + 3, "00:00:00:03"},
        {"pal negative counts back from midnight", kPal, -1, "23:59:59:24"},
        {"without the wrap flag hours count on", kPalNoWrap, 86400 * 25 + 3, "24:00:00:03"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readoutText(c.frame, c.def), std::optional<std::string>(c.text));
    }
}

TEST(ReadoutText, NoFramesPerSecondIsNoTimecode) {
    EXPECT_EQ(readoutText(100, TimeCodeDef{0, 25, 1, 0, 0}), std::nullopt);
}

TEST(RunningFrame, CountsTheWorkedExamples) {
    // Time scale 600: NTSC gives 29 fps and 20 units a frame, so one second is 30 frames.
    EXPECT_EQ(runningFrame(1000, 600, 600, kNtscDf), 1030);
    EXPECT_EQ(runningFrame(1000, 600, 600, kPal), 1025);
    // Reverse play truncates toward zero, counting down.
    EXPECT_EQ(runningFrame(1000, -25, 600, kPal), 999);
}

TEST(RunningFrame, UndefinedDivisionsGiveNoFrame) {
    EXPECT_EQ(runningFrame(0, 600, 600, TimeCodeDef{0, 1, 100, 25, 0}), std::nullopt); // 0 fps
    EXPECT_EQ(runningFrame(0, 600, 10, kPal), std::nullopt); // 0 units a frame
    EXPECT_EQ(runningFrame(0, 600, 600, TimeCodeDef{0, 25, 0, 25, 0}), std::nullopt);
}

} // namespace
} // namespace korvel::viewer
