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

std::size_t hashOf(const FramePtr& frame) {
    if (!frame)
        return 0;
    return std::hash<std::string_view>{}(std::string_view(
        reinterpret_cast<const char*>(frame->pixels.data()), frame->pixels.size()));
}

struct MovieCase {
    const char* name;
    const char* videoOptions;
    std::int64_t frames;
    std::size_t groups;
};

const MovieCase kMovies[] = {
    {"h264_gop12", "-c:v libx264 -g 12 -keyint_min 12 -bf 2 -pix_fmt yuv420p", 75, 7},
    // Every frame a key frame, decoded one at a time and ahead of the frame on screen.
    {"prores", "-c:v prores_ks -profile:v 2", 75, 75},
};

class PlayerFrameIdentity : public ::testing::TestWithParam<MovieCase> {
  protected:
    void SetUp() override {
        m_path = test::makeMovieCodedWith(korvel::test::processScratch("korvel-viewer-identity"),
                                          std::string(GetParam().name) + ".mov", "25", 3.0,
                                          GetParam().videoOptions);
        if (m_path.empty())
            GTEST_SKIP() << "ffmpeg is not installed or cannot make this movie";
        auto file = qtff::MovieFile::open(m_path, qtff::OpenMode::ReadOnly);
        ASSERT_TRUE(file);
        auto index = VideoIndex::read(file->movie());
        ASSERT_TRUE(index && *index);
        m_index = std::make_unique<VideoIndex>(std::move(**index));
        // The index finds every frame, and each group starts at a key frame.
        ASSERT_EQ(m_index->frameCount(), GetParam().frames);
        ASSERT_EQ(m_index->groups().size(), GetParam().groups);
        for (const auto& g : m_index->groups())
            ASSERT_TRUE(m_index->sample(g.firstSample).sync);
        auto source = FfmpegFrameSource::open(m_path, *m_index);
        ASSERT_TRUE(source);
        std::atomic<bool> never{false};
        for (const auto& g : m_index->groups())
            (*source)->decode(g.firstFrame, g.lastFrame, never, [&](DecodedFrame frame) {
                // The budget is kept only if no picture holds more than the source says.
                EXPECT_LE(frame.bytes, (*source)->frameBytes());
                m_reference[frame.index] = hashOf((*source)->present(frame));
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
        EXPECT_EQ(hashOf(m_shown.back()), m_reference.at(frame)) << "frame " << frame;
    }

    std::string m_path;
    std::unique_ptr<VideoIndex> m_index;
    std::map<std::int64_t, std::size_t> m_reference;
    std::unique_ptr<MoviePlayer> m_player;
    std::mutex m_mutex;
    std::vector<FramePtr> m_shown;
};

TEST_P(PlayerFrameIdentity, StepsEitherWayAcrossGroupBoundariesJumpsAndSeeks) {
    expectShowing(0);
    for (std::int64_t f = 1; f < 30; ++f) {
        m_player->step(1);
        expectShowing(f);
    }
    for (std::int64_t f = 28; f >= 0; --f) {
        m_player->step(-1);
        expectShowing(f);
    }
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

TEST_P(PlayerFrameIdentity, ReversePlayShowsEveryFrameDescending) {
    m_player->goToEnd();
    m_player->setPaced(false);
    m_shown.clear();
    // Counted from here: what opening and the jump decoded depends on how busy the machine is.
    const auto decodedBefore = m_player->source()->decodedPictures();
    m_player->play(-1);
    m_player->waitUntilStopped();
    ASSERT_EQ(m_shown.size(), 74u);
    for (std::size_t i = 0; i < m_shown.size(); ++i) {
        EXPECT_EQ(m_shown[i]->index, 73 - std::int64_t(i));
        EXPECT_EQ(hashOf(m_shown[i]), m_reference.at(m_shown[i]->index));
    }
    EXPECT_LE(double(m_player->source()->decodedPictures() - decodedBefore), 1.1 * 74);
}

INSTANTIATE_TEST_SUITE_P(Codecs, PlayerFrameIdentity, ::testing::ValuesIn(kMovies),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvel::viewer
