// SPDX-License-Identifier: MIT
// Ten minutes of play on a time of the test's own: the pictures keep the sound device's time
// when the device runs fast or slow, run on by the steady clock when its sound ends, and keep
// the steady clock without sound.
#include "viewer/movie_player.h"

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

} // namespace
} // namespace korvel::viewer
