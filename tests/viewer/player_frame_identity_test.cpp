// SPDX-License-Identifier: MIT
// Every way of moving through a movie shows the frame it claims: the pictures are compared with
// one sequential decode of the whole movie, group after group.
#include "viewer/ffmpeg_frame_source.h"
#include "viewer/movie_player.h"
#include "viewer_fixture.h"

#include <functional>
#include <map>
#include <mutex>

namespace korvel::viewer {
namespace {

std::size_t hashOf(const RgbFrame& frame) {
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(frame.pixels.data()), frame.pixels.size()));
}

class PlayerFrameIdentity : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path = test::makeTestMovie(korvel::test::processScratch("korvel-viewer-identity"),
                                     "gop12.mov", "25", 12, 3.0);
        if (m_path.empty())
            GTEST_SKIP() << "ffmpeg is not installed";
        auto file = qtff::MovieFile::open(m_path, qtff::OpenMode::ReadOnly);
        ASSERT_TRUE(file);
        auto index = VideoIndex::read(file->movie());
        ASSERT_TRUE(index && *index);
        m_index = std::make_unique<VideoIndex>(std::move(**index));
        auto source = FfmpegFrameSource::open(m_path, *m_index);
        ASSERT_TRUE(source);
        std::atomic<bool> never{false};
        for (const auto& g : m_index->groups())
            (*source)->decode(g.firstFrame, g.lastFrame, never, [this](FramePtr frame) {
                m_reference[frame->index] = hashOf(*frame);
            });
        ASSERT_EQ(std::int64_t(m_reference.size()), m_index->frameCount());
        auto player = openMediaPlayer(m_path, [this](FramePtr f) { record(std::move(f)); }, {});
        ASSERT_TRUE(player);
        m_player = std::move(*player);
    }

    void record(FramePtr frame) {
        std::lock_guard lock(m_mutex);
        m_shown.push_back(std::move(frame));
    }
    // The frame on screen is the one the player claims, with the picture of that frame.
    void expectShowing(std::int64_t frame) {
        std::lock_guard lock(m_mutex);
        ASSERT_FALSE(m_shown.empty());
        EXPECT_EQ(m_player->currentFrame(), frame);
        EXPECT_EQ(m_shown.back()->index, frame);
        EXPECT_EQ(hashOf(*m_shown.back()), m_reference.at(frame)) << "frame " << frame;
    }

    std::string m_path;
    std::unique_ptr<VideoIndex> m_index;
    std::map<std::int64_t, std::size_t> m_reference;
    std::unique_ptr<MoviePlayer> m_player;
    std::mutex m_mutex;
    std::vector<FramePtr> m_shown;
};

TEST_F(PlayerFrameIdentity, IndexFindsEveryFrameAndItsGroups) {
    EXPECT_EQ(m_index->frameCount(), 75);
    EXPECT_EQ(m_index->groups().size(), 7u);
    for (const auto& g : m_index->groups())
        EXPECT_TRUE(m_index->sample(g.firstSample).sync);
}

TEST_F(PlayerFrameIdentity, StepsEitherWayAcrossGroupBoundaries) {
    expectShowing(0);
    for (std::int64_t f = 1; f < 30; ++f) {
        m_player->step(1);
        expectShowing(f);
    }
    for (std::int64_t f = 28; f >= 0; --f) {
        m_player->step(-1);
        expectShowing(f);
    }
}

TEST_F(PlayerFrameIdentity, JumpsAndSeeksShowTheirFrame) {
    m_player->goToEnd();
    expectShowing(74);
    m_player->goToStart();
    expectShowing(0);
    const std::int64_t scale = m_player->timeScale();
    for (std::int64_t frame : {37, 11, 12, 60, 5}) {
        m_player->seek(frame * scale / 25);
        expectShowing(frame);
    }
}

TEST_F(PlayerFrameIdentity, ReversePlayShowsEveryFrameDescending) {
    m_player->goToEnd();
    m_player->setPaced(false);
    m_shown.clear();
    m_player->play(-1);
    m_player->waitUntilStopped();
    ASSERT_EQ(m_shown.size(), 74u);
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        EXPECT_EQ(m_shown[i]->index, 73 - std::int64_t(i));
        EXPECT_EQ(hashOf(*m_shown[i]), m_reference.at(m_shown[i]->index));
    }
    EXPECT_LE(double(m_player->source()->decodedPictures()), 1.1 * 75 + 12);
}

} // namespace
} // namespace korvel::viewer
