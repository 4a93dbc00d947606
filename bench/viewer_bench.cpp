// SPDX-License-Identifier: MIT
// viewer-bench MOVIE [BUDGET_BYTES]: how fast the viewer opens, plays forward and in reverse,
// and steps, with no display; prints one JSON object.
#include "viewer/media_opener.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using korvel::viewer::MoviePlayer;
using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double percentile95(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * 95 / 100)];
}

std::unique_ptr<MoviePlayer> open(const std::string& path, std::size_t budget) {
    korvel::viewer::MediaOpenOptions options;
    options.frameBudget = budget;
    auto player = korvel::viewer::openMediaPlayer(
        path, [](korvel::viewer::FramePtr) {}, options);
    if (!player || !(*player)->cache()) {
        std::fprintf(stderr, "viewer-bench: %s has no video the viewer can show\n", path.c_str());
        std::exit(1);
    }
    return std::move(*player);
}

// Frames per second of unpaced play through the whole movie, and decodes per frame shown.
std::pair<double, double> playThrough(MoviePlayer& player, int direction) {
    const std::int64_t frames = player.clock().count() - 1;
    const auto decodedBefore = player.source()->decodedPictures();
    player.setPaced(false);
    const auto start = Clock::now();
    player.play(direction);
    player.waitUntilStopped();
    const double seconds = millisecondsSince(start) / 1000.0;
    const double decodes = double(player.source()->decodedPictures() - decodedBefore);
    return {double(frames) / seconds, decodes / double(frames)};
}

// Times of `count` steps; the first step into a group is reported apart.
std::vector<double> stepTimes(MoviePlayer& player, int direction, int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        player.step(direction);
        times.push_back(millisecondsSince(start));
    }
    return times;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: viewer-bench MOVIE [BUDGET_BYTES]\n");
        return 2;
    }
    const std::string path = argv[1];
    const std::size_t budget = argc > 2 ? std::size_t(std::strtoull(argv[2], nullptr, 10))
                                        : korvel::viewer::kDefaultFrameBudget;

    const auto openStart = Clock::now();
    auto player = open(path, budget);
    const double openMs = millisecondsSince(openStart);
    const auto [forwardFps, forwardDecodes] = playThrough(*player, 1);
    std::size_t peak = player->cache()->peakBytes();

    player = open(path, budget);
    player->goToEnd();
    const auto [reverseFps, reverseDecodes] = playThrough(*player, -1);
    peak = std::max(peak, player->cache()->peakBytes());

    // Back-steps from the last frame of a group in the middle of the movie, then forward again.
    player = open(path, budget);
    const auto& groups = player->video()->groups();
    player->goToFrame(groups[groups.size() / 2].lastFrame);
    const auto back = stepTimes(*player, -1, 31);
    const std::vector<double> backAfterFirst(back.begin() + 1, back.end());
    const auto forward = stepTimes(*player, 1, 30);
    peak = std::max(peak, player->cache()->peakBytes());

    std::printf("{\"forward_decode_fps\": %.1f, \"forward_decodes_per_frame\": %.3f, "
                "\"reverse_fps\": %.1f, "
                "\"reverse_decodes_per_frame\": %.3f, \"first_step_back_ms\": %.3f, "
                "\"step_back_p95_ms\": %.3f, "
                "\"step_forward_p95_ms\": %.3f, \"peak_cache_bytes\": %zu, \"budget_bytes\": %zu, "
                "\"open_first_frame_ms\": %.3f}\n",
                forwardFps, forwardDecodes, reverseFps, reverseDecodes, back.front(),
                percentile95(backAfterFirst), percentile95(forward), peak, budget, openMs);
    return 0;
}
