// SPDX-License-Identifier: MIT
#include "viewer/ffmpeg_frame_source.h"

#include "qtff/file_io.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace korvel::viewer {

struct FfmpegFrameSource::Codec {
    std::unique_ptr<qtff::RandomAccessFile> file;
    AVCodecContext* context = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();

    ~Codec() {
        sws_freeContext(scaler);
        avcodec_free_context(&context);
        av_packet_free(&packet);
        av_frame_free(&picture);
    }
};

namespace {

// Copies the codec parameters of the stream of the index's track out of the header.
Result<AVCodecContext*> openDecoder(const std::string& path, const VideoIndex& index) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return makeError("FFmpeg cannot open the movie");
    const AVStream* chosen = nullptr;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* st = format->streams[i];
        if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (!chosen || std::uint32_t(st->id) == index.trackId())
            chosen = st;
    }
    const AVCodec* decoder = chosen ? avcodec_find_decoder(chosen->codecpar->codec_id) : nullptr;
    AVCodecContext* context = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    const bool ready = context && avcodec_parameters_to_context(context, chosen->codecpar) >= 0;
    avformat_close_input(&format);
    if (!ready) {
        avcodec_free_context(&context);
        return makeError("no decoder for the movie's video");
    }
    context->thread_count = 0; // as many as the machine has
    context->pkt_timebase = AVRational{1, index.timeScale()};
    if (avcodec_open2(context, decoder, nullptr) < 0) {
        avcodec_free_context(&context);
        return makeError("the movie's video decoder does not start");
    }
    return context;
}

} // namespace

FfmpegFrameSource::FfmpegFrameSource(const VideoIndex& index, std::unique_ptr<Codec> codec)
    : m_index(index), m_codec(std::move(codec)) {}

FfmpegFrameSource::~FfmpegFrameSource() = default;

Result<std::unique_ptr<FfmpegFrameSource>> FfmpegFrameSource::open(const std::string& path,
                                                                   const VideoIndex& index) {
    auto file = qtff::openFile(path, qtff::OpenMode::ReadOnly);
    if (!file)
        return file.error();
    auto context = openDecoder(path, index);
    if (!context)
        return context.error();
    auto codec = std::make_unique<Codec>();
    codec->file = std::move(*file);
    codec->context = *context;
    if (codec->context->width <= 0 || codec->context->height <= 0)
        return makeError("the movie's video has no size");
    return std::unique_ptr<FfmpegFrameSource>(new FfmpegFrameSource(index, std::move(codec)));
}

int FfmpegFrameSource::width() const {
    return m_codec->context->width;
}
int FfmpegFrameSource::height() const {
    return m_codec->context->height;
}
std::size_t FfmpegFrameSource::frameBytes() const {
    return std::size_t(width()) * std::size_t(height()) * 4;
}

namespace {

FramePtr convert(SwsContext*& scaler, const AVFrame& picture, std::int64_t index) {
    auto frame = std::make_shared<RgbFrame>();
    frame->index = index;
    frame->width = picture.width;
    frame->height = picture.height;
    scaler = sws_getCachedContext(scaler, picture.width, picture.height,
                                  AVPixelFormat(picture.format), picture.width, picture.height,
                                  AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    if (!scaler)
        return nullptr;
    frame->pixels.resize(std::size_t(picture.width) * std::size_t(picture.height) * 4);
    std::uint8_t* planes[4] = {frame->pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {picture.width * 4, 0, 0, 0};
    sws_scale(scaler, picture.data, picture.linesize, 0, picture.height, planes, strides);
    return frame;
}

} // namespace

void FfmpegFrameSource::decode(std::int64_t first, std::int64_t last,
                               const std::atomic<bool>& cancel, const Deliver& deliver) {
    if (first < 0 || last >= m_index.frameCount() || first > last)
        return;
    std::size_t delivered = 0;
    const auto& group = m_index.groupOf(first);
    const auto wanted = std::size_t(last - first + 1);
    AVCodecContext* context = m_codec->context;
    avcodec_flush_buffers(context);
    auto receive = [&] {
        while (avcodec_receive_frame(context, m_codec->picture) >= 0) {
            ++m_decoded;
            const auto frame = m_index.frameOfPresentation(m_codec->picture->best_effort_timestamp);
            if (frame && *frame >= first && *frame <= last)
                if (auto rgb = convert(m_codec->scaler, *m_codec->picture, *frame)) {
                    ++delivered;
                    deliver(std::move(rgb));
                }
            av_frame_unref(m_codec->picture);
        }
    };
    for (std::size_t s = group.firstSample; s < group.endSample && delivered < wanted && !cancel;
         ++s) {
        const auto& sample = m_index.sample(s);
        auto bytes = m_codec->file->read(sample.offset, sample.size);
        if (!bytes || av_new_packet(m_codec->packet, int(sample.size)) < 0)
            continue;
        std::memcpy(m_codec->packet->data, bytes->data(), bytes->size());
        m_codec->packet->pts = sample.presentationTime();
        m_codec->packet->dts = sample.decodeTime;
        m_codec->packet->duration = sample.duration;
        if (sample.sync)
            m_codec->packet->flags |= AV_PKT_FLAG_KEY;
        while (avcodec_send_packet(context, m_codec->packet) == AVERROR(EAGAIN))
            receive();
        av_packet_unref(m_codec->packet);
        receive();
    }
    if (delivered < wanted && !cancel) {
        avcodec_send_packet(context, nullptr);
        receive();
    }
}

} // namespace korvel::viewer
