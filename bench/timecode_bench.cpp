// SPDX-License-Identifier: MIT
// Timecode conversions, with FFmpeg's timecode formatting as the peer for frame -> text.
#include "timecode/frames2tc.h"
#include "timecode/tc30totc24.h"
#include "timecode/timecode.h"

#include <benchmark/benchmark.h>

#ifdef KORVEL_HAVE_LIBAVUTIL
extern "C" {
#include <libavutil/timecode.h>
}
#endif

#include <cstdint>

namespace korvel {
namespace {

constexpr std::int64_t kFramesPerStep = 7919; // a prime stride visits every kind of label

void BM_DropFrameText(benchmark::State& state) {
    const TimeCodeDef def = timeCodeDef(TvSystem::Ntsc, true);
    std::int64_t frame = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(timeCodeText(timeCodeRecord(frame, def), true));
        frame = (frame + kFramesPerStep) % kDropFrameFramesPerDay;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DropFrameText);

#ifdef KORVEL_HAVE_LIBAVUTIL
void BM_DropFrameText_FFmpeg(benchmark::State& state) {
    AVTimecode tc;
    av_timecode_init(&tc, AVRational{30000, 1001}, AV_TIMECODE_FLAG_DROPFRAME, 0, nullptr);
    char text[AV_TIMECODE_STR_SIZE];
    int frame = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(av_timecode_make_string(&tc, text, frame));
        frame = static_cast<int>((frame + kFramesPerStep) % kDropFrameFramesPerDay);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DropFrameText_FFmpeg);
#endif

void BM_TextToFrame(benchmark::State& state) {
    const TimeCodeDef def = timeCodeDef(TvSystem::Ntsc, true);
    const char* const texts[] = {"01:00:00;00", "13:27:41;17", "23:59:59;29", "00:10:00;02"};
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string_view text = texts[i++ % 4];
        if (isValidTimeCodeText(text, TvSystem::Ntsc)) {
            benchmark::DoNotOptimize(frameNumber(*parseTimeCodeFields(text), def));
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TextToFrame);

void BM_Frames2tc(benchmark::State& state, const char* rate) {
    std::uint64_t position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(frames2tc(position, 48000, rate));
        position = (position + 48000ULL * 3607 + 1234) % (48000ULL * 3600 * 24);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Frames2tc, pal, "PAL");
BENCHMARK_CAPTURE(BM_Frames2tc, ntsc_ndf, "NTSC NDF");
BENCHMARK_CAPTURE(BM_Frames2tc, ntsc_df, "NTSC DF");
BENCHMARK_CAPTURE(BM_Frames2tc, film24, "24 fps");

void BM_Tc30totc24(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tc30totc24("01:02:03:27"));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Tc30totc24);

} // namespace
} // namespace korvel
