// SPDX-License-Identifier: MIT
#include "viewer/media_time.h"
#include "viewer/sound_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace korvel::viewer {
namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ResamplerFreer {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Decodes sequentially and keeps what was converted but not yet read, so forward play never seeks;
// a read elsewhere seeks and drops the samples before the wanted position.
class FfmpegSoundReader final : public SoundReader {
  public:
    FfmpegSoundReader(std::unique_ptr<AVFormatContext, FormatCloser> format, int stream,
                      std::unique_ptr<AVCodecContext, CodecFreer> codec, SoundFormat out)
        : m_format(std::move(format)), m_stream(stream), m_codec(std::move(codec)), m_out(out) {}

    Status openResampler() {
        AVChannelLayout outLayout;
        av_channel_layout_default(&outLayout, m_out.channels);
        SwrContext* swr = nullptr;
        const int rc = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, m_out.sampleRate,
                                           &m_codec->ch_layout, m_codec->sample_fmt,
                                           m_codec->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&outLayout);
        m_resampler.reset(swr);
        if (rc < 0 || swr_init(swr) < 0)
            return makeError("the sound cannot be converted to the device's format");
        return {};
    }

    std::vector<std::int16_t> read(std::int64_t first, std::int64_t frames) override {
        const auto channels = std::size_t(m_out.channels);
        if (first < m_bufferStart || first > m_bufferStart + bufferedFrames())
            seekTo(first);
        while (bufferedFrames() < first - m_bufferStart + frames && decodeMore()) {
        }
        const auto from = std::size_t(std::max<std::int64_t>(first - m_bufferStart, 0)) * channels;
        const auto to = std::min(m_buffer.size(), from + std::size_t(frames) * channels);
        std::vector<std::int16_t> out(m_buffer.begin() + std::ptrdiff_t(std::min(from, to)),
                                      m_buffer.begin() + std::ptrdiff_t(to));
        // Forward play reads on from here; anything earlier is read again by seeking.
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(to));
        m_bufferStart += std::int64_t(to / channels);
        return out;
    }

  private:
    std::int64_t bufferedFrames() const {
        return std::int64_t(m_buffer.size() / std::size_t(m_out.channels));
    }

    void seekTo(std::int64_t first) {
        const AVStream* stream = m_format->streams[m_stream];
        // Decoders of overlapping transforms (AAC, MP3) need the packets before the wanted one,
        // down to the encoder's priming packets before time 0.
        const std::int64_t preroll = m_out.sampleRate / 10;
        const std::int64_t target =
            rescale(first - preroll, std::int64_t(m_out.sampleRate) * stream->time_base.num,
                    stream->time_base.den);
        av_seek_frame(m_format.get(), m_stream, target, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(m_codec.get());
        swr_init(m_resampler.get());
        m_buffer.clear();
        m_bufferStart = -1; // set by the first decoded frame's time
        m_ended = false;
    }

    // Decodes one more packet's sound into the buffer; false at the end of the stream.
    bool decodeMore() {
        std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
        std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
        while (!m_ended) {
            while (avcodec_receive_frame(m_codec.get(), frame.get()) == 0) {
                append(*frame);
                return true;
            }
            const int rc = av_read_frame(m_format.get(), packet.get());
            if (rc < 0) {
                avcodec_send_packet(m_codec.get(), nullptr);
                while (avcodec_receive_frame(m_codec.get(), frame.get()) == 0)
                    append(*frame);
                m_ended = true;
                break;
            }
            if (packet->stream_index == m_stream)
                avcodec_send_packet(m_codec.get(), packet.get());
            av_packet_unref(packet.get());
        }
        if (m_bufferStart < 0)
            m_bufferStart = 0;
        return false;
    }

    void append(const AVFrame& frame) {
        if (m_bufferStart < 0) {
            const AVRational tb = m_format->streams[m_stream]->time_base;
            const std::int64_t pts =
                frame.best_effort_timestamp == AV_NOPTS_VALUE ? 0 : frame.best_effort_timestamp;
            m_bufferStart = rescale(pts * tb.num, tb.den, m_out.sampleRate);
        }
        const int room = swr_get_out_samples(m_resampler.get(), frame.nb_samples);
        if (room <= 0)
            return;
        const std::size_t old = m_buffer.size();
        m_buffer.resize(old + std::size_t(room) * std::size_t(m_out.channels));
        auto* out = reinterpret_cast<std::uint8_t*>(m_buffer.data() + old);
        const int made =
            swr_convert(m_resampler.get(), &out, room,
                        const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
        m_buffer.resize(old + std::size_t(std::max(made, 0)) * std::size_t(m_out.channels));
    }

    std::unique_ptr<AVFormatContext, FormatCloser> m_format;
    int m_stream;
    std::unique_ptr<AVCodecContext, CodecFreer> m_codec;
    std::unique_ptr<SwrContext, ResamplerFreer> m_resampler;
    SoundFormat m_out;
    std::vector<std::int16_t> m_buffer;
    std::int64_t m_bufferStart = 0;
    bool m_ended = false;
};

} // namespace

Result<std::unique_ptr<SoundReader>> openSoundReader(const std::string& path, SoundFormat format) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return makeError("the file cannot be read");
    std::unique_ptr<AVFormatContext, FormatCloser> container(raw);
    const int stream = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0)
        return makeError("the file holds no sound");
    const AVCodecParameters* params = raw->streams[stream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(params->codec_id);
    if (decoder == nullptr)
        return makeError("the sound's codec is not supported");
    std::unique_ptr<AVCodecContext, CodecFreer> codec(avcodec_alloc_context3(decoder));
    if (avcodec_parameters_to_context(codec.get(), params) < 0 ||
        avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return makeError("the sound's codec cannot be opened");
    auto reader =
        std::make_unique<FfmpegSoundReader>(std::move(container), stream, std::move(codec), format);
    if (auto ok = reader->openResampler(); !ok.ok())
        return ok.error();
    return std::unique_ptr<SoundReader>(std::move(reader));
}

} // namespace korvel::viewer
