// SPDX-License-Identifier: MIT
// The frame cache with a decoder that only counts: how often each frame is decoded, and how much
// memory the cache holds at most.
#include "viewer/frame_cache.h"

#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <numeric>

namespace korvel::viewer {
namespace {

constexpr std::size_t kFrameBytes = 1000;

class CountingSource final : public FrameSource {
  public:
    explicit CountingSource(std::vector<GroupOfPictures> groups) : m_groups(std::move(groups)) {}
    void decode(std::int64_t first, std::int64_t last, const std::atomic<bool>& cancel,
                const Deliver& deliver) override {
        for (const auto& g : m_groups) {
            if (!(first >= g.firstFrame && first <= g.lastFrame))
                continue;
            EXPECT_LE(last, g.lastFrame) << "a segment crosses a group";
            // Decoding starts at the key frame and runs up to the last frame wanted.
            for (auto f = g.firstFrame; f <= last && !cancel; ++f) {
                ++m_decoded;
                if (f >= first) {
                    std::lock_guard lock(m_mutex);
                    ++m_kept[f];
                    deliver(DecodedFrame{f, kFrameBytes, nullptr});
                }
            }
        }
    }
    FramePtr present(const DecodedFrame& frame) override {
        return std::make_shared<RgbFrame>(RgbFrame{frame.index, 1, 1, {}});
    }
    std::size_t frameBytes() const override { return kFrameBytes; }
    std::int64_t decodedPictures() const override { return m_decoded; }
    /// The most times any one frame was decoded and handed to the cache.
    int mostDeliveries() {
        std::lock_guard lock(m_mutex);
        int most = 0;
        for (const auto& [frame, count] : m_kept)
            most = std::max(most, count);
        return most;
    }

  private:
    std::vector<GroupOfPictures> m_groups;
    std::atomic<std::int64_t> m_decoded{0};
    std::mutex m_mutex;
    std::map<std::int64_t, int> m_kept;
};

std::vector<GroupOfPictures> groupsOf(std::int64_t frames, std::int64_t groupLength) {
    std::vector<GroupOfPictures> groups;
    for (std::int64_t f = 0; f < frames; f += groupLength)
        groups.push_back({std::size_t(f), std::size_t(std::min(frames, f + groupLength)), f,
                          std::min(frames, f + groupLength) - 1});
    return groups;
}

struct PlanCase {
    const char* name;
    std::int64_t frames;
    std::int64_t groupLength;
    std::size_t budgetFrames;
    /// Each back-step comes after a stop (an interrupt), as a user stepping does.
    bool stopped;
    double maxDecodesPerFrame;
};

// Reverse play and stopped back-steps: every frame comes, descending, and none is handed to the
// cache twice (what was decoded ahead is kept, and decoding ahead never throws away what it has
// just decoded), within the memory budget and a bound on the decoding.
TEST(FrameCache, BackwardsEveryFrameComesOnceWithinBudget) {
    const PlanCase cases[] = {
        {"whole groups fit", 300, 30, 100, false, 1.0},
        // Segments of 15: the earlier half is decoded twice.
        {"groups split in two", 120, 30, 30, false, 1.5},
        {"one frame of room", 20, 5, 2, false, 5.0},
        {"stepping, key frames only", 120, 1, 400, true, 1.0},
        {"stepping, key frames only, room for a few", 120, 1, 3, true, 1.0},
        {"stepping, long groups", 120, 30, 100, true, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto groups = groupsOf(c.frames, c.groupLength);
        CountingSource source(groups);
        FrameCache cache(source, groups, c.frames, c.budgetFrames * kFrameBytes);
        for (auto f = c.frames - 1; f >= 0; --f) {
            if (c.stopped)
                cache.interrupt();
            const auto frame = cache.frameAt(f, -1);
            ASSERT_TRUE(frame);
            ASSERT_EQ(frame->index, f);
        }
        EXPECT_EQ(source.mostDeliveries(), 1);
        EXPECT_LE(cache.peakBytes(), c.budgetFrames * kFrameBytes);
        EXPECT_LE(double(source.decodedPictures()) / double(c.frames), c.maxDecodesPerFrame);
    }
}

// Forward play, then jumps, with room for two and a half groups: each new group needs room made
// for it, and a jump's group stays until it is read.
TEST(FrameCache, ForwardAndJumpsStayWithinBudget) {
    const auto groups = groupsOf(300, 20);
    CountingSource source(groups);
    FrameCache cache(source, groups, 300, 50 * kFrameBytes);
    std::vector<std::int64_t> frames(300);
    std::iota(frames.begin(), frames.end(), 0);
    frames.insert(frames.end(), {10, 100, 200, 290, 50, 150, 250, 0});
    for (const std::int64_t f : frames) {
        cache.interrupt();
        const auto frame = cache.frameAt(f, 1);
        ASSERT_TRUE(frame) << f;
        EXPECT_EQ(frame->index, f);
    }
    EXPECT_LE(cache.peakBytes(), 50 * kFrameBytes);
}

// Turning round drops decoding that lies behind the new direction instead of waiting for it. An
// interrupt before a request does not spoil it, and past the end there is no frame.
TEST(FrameCache, TurningRoundStillShowsEveryFrameAskedFor) {
    const auto groups = groupsOf(60, 1);
    CountingSource source(groups);
    FrameCache cache(source, groups, 60, 400 * kFrameBytes);
    const std::pair<std::int64_t, int> moves[] = {{30, -1}, {31, 1}, {32, 1},  {31, -1},
                                                  {30, -1}, {40, 1}, {39, -1}, {41, 1}};
    for (const auto& [f, direction] : moves) {
        const auto frame = cache.frameAt(f, direction);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->index, f);
    }
    cache.interrupt();
    EXPECT_TRUE(cache.frameAt(3, 1));
    EXPECT_FALSE(cache.frameAt(60, 1));
}

} // namespace
} // namespace korvel::viewer
