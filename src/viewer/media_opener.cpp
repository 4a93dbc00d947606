// SPDX-License-Identifier: MIT
#include "viewer/media_opener.h"

#include "qtff/movie_file.h"
#include "viewer/ffmpeg_frame_source.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace korvel::viewer {
namespace {

// The length of a sound file that is not a movie (a BWF or WAV file), from its header.
Result<MovieTimeline> soundTimeline(const std::string& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return makeError("the file is not readable media");
    std::int64_t duration = format->duration;
    // Without a stream probe the container's length is unknown; the WAV header gives the sound
    // stream's own length (data size over block size), which is exact.
    for (unsigned i = 0; duration <= 0 && i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && stream->duration > 0)
            duration =
                av_rescale_q(stream->duration, stream->time_base, AVRational{1, AV_TIME_BASE});
    }
    avformat_close_input(&format);
    if (duration <= 0)
        return makeError("the file holds no sound");
    return MovieTimeline{AV_TIME_BASE, duration};
}

std::unique_ptr<MoviePlayer> soundPlayer(const MovieTimeline& timeline,
                                         const MediaOpenOptions& options) {
    const auto& grid = options.soundFrames;
    const std::int64_t frameDuration = grid.frameDuration > 0 ? grid.frameDuration : 1;
    const std::int32_t scale = grid.fTimeScale > 0 ? grid.fTimeScale : 25;
    const std::int64_t length = rescale(timeline.duration, timeline.timeScale, scale);
    const std::int64_t count = (length + frameDuration - 1) / frameDuration;
    return std::make_unique<MoviePlayer>(timeline, FrameClock(count, frameDuration, scale), nullptr,
                                         nullptr, nullptr);
}

} // namespace

Result<std::unique_ptr<MoviePlayer>> openMediaPlayer(const std::string& path, FrameSink sink,
                                                     const MediaOpenOptions& options) {
    auto file = qtff::MovieFile::open(path, qtff::OpenMode::ReadOnly);
    if (!file) {
        auto timeline = soundTimeline(path);
        if (!timeline)
            return timeline.error();
        return soundPlayer(*timeline, options);
    }
    const auto header = file->movie().header();
    if (!header || header->timeScale == 0 || header->timeScale > INT32_MAX)
        return makeError("the movie has no time scale");
    const MovieTimeline timeline{std::int32_t(header->timeScale), std::int64_t(header->duration)};
    auto index = VideoIndex::read(file->movie());
    if (!index)
        return index.error();
    if (!*index || (*index)->frameCount() == 0)
        return soundPlayer(timeline, options);
    auto video = std::make_unique<VideoIndex>(std::move(**index));
    auto source = FfmpegFrameSource::open(path, *video);
    if (!source)
        return source.error();
    FrameClock clock(*video);
    return std::make_unique<MoviePlayer>(timeline, clock, std::move(video), std::move(*source),
                                         std::move(sink), options.frameBudget);
}

} // namespace korvel::viewer
