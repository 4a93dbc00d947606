// SPDX-License-Identifier: MIT
#include "viewer/ffmpeg_frame_source.h"

#include "qtff/file_io.h"
#include "viewer/bgra_converter.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace korvel::viewer {

struct FfmpegFrameSource::Codec {
    std::unique_ptr<qtff::RandomAccessFile> file;
    AVCodecContext* context = nullptr;
    BgraConverter converter;
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();
    std::size_t frameBytes = 0;

    ~Codec() {
        avcodec_free_context(&context);
        av_packet_free(&packet);
        av_frame_free(&picture);
    }
};

namespace {

bool everyFrameIsAKeyFrame(const VideoIndex& index) {
    for (const auto& group : index.groups())
        if (group.frameCount() > 1)
            return false;
    return true;
}

// Memory a decoded picture holds: the decoder's buffers it references.
std::size_t bytesOf(const AVFrame& picture) {
    std::size_t bytes = 0;
    for (const AVBufferRef* buffer : picture.buf)
        if (buffer)
            bytes += buffer->size;
    for (int i = 0; i < picture.nb_extended_buf; ++i)
        bytes += picture.extended_buf[i]->size;
    return bytes;
}

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
    // Key frame after key frame is decoded one picture at a time: only slices can share the work.
    // Groups of several pictures keep the threads busy with a picture each.
    if (everyFrameIsAKeyFrame(index))
        context->thread_type = FF_THREAD_SLICE;
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
    std::unique_ptr<FfmpegFrameSource> source(new FfmpegFrameSource(index, std::move(codec)));
    source->measureFrameBytes();
    return source;
}

// The decoder's buffers are laid out by pixel format, alignment and padding, none of which the
// header tells for sure: one picture is decoded to see. Without one, a bound that holds for any
// format of up to 16 bits in four full planes.
void FfmpegFrameSource::measureFrameBytes() {
    const std::atomic<bool> never{false};
    decode(0, 0, never, [this](const DecodedFrame& frame) { m_codec->frameBytes = frame.bytes; });
    m_decoded = 0;
    if (m_codec->frameBytes == 0)
        m_codec->frameBytes = std::size_t(width() + 64) * std::size_t(height() + 64) * 8;
}

int FfmpegFrameSource::width() const {
    return m_codec->context->width;
}
int FfmpegFrameSource::height() const {
    return m_codec->context->height;
}
std::size_t FfmpegFrameSource::frameBytes() const {
    return m_codec->frameBytes;
}

FramePtr FfmpegFrameSource::present(const DecodedFrame& frame) {
    const auto* picture = static_cast<const AVFrame*>(frame.picture.get());
    return picture ? m_codec->converter.convert(*picture, frame.index) : nullptr;
}

namespace {

// Takes the decoder's picture by reference (no copy of its pixels).
DecodedFrame keep(AVFrame& picture, std::int64_t index) {
    AVFrame* kept = av_frame_alloc();
    av_frame_move_ref(kept, &picture);
    return {index, bytesOf(*kept), std::shared_ptr<const void>(kept, [](const void* p) {
                auto* frame = static_cast<AVFrame*>(const_cast<void*>(p));
                av_frame_free(&frame);
            })};
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
            if (frame && *frame >= first && *frame <= last) {
                ++delivered;
                deliver(keep(*m_codec->picture, *frame));
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
