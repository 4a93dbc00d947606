// SPDX-License-Identifier: MIT
#include "viewer/bgra_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace korvel::viewer {

BgraConverter::~BgraConverter() {
    sws_freeContext(m_scaler);
}

namespace {
// Enough for the frame shown, the one being converted and one in the display's hands.
constexpr std::size_t kPooledBuffers = 4;
} // namespace

std::vector<std::uint8_t> BgraConverter::takeBuffer(std::size_t bytes) {
    std::vector<std::uint8_t> buffer;
    {
        std::lock_guard lock(m_pool->mutex);
        if (!m_pool->free.empty()) {
            buffer = std::move(m_pool->free.back());
            m_pool->free.pop_back();
        }
    }
    buffer.resize(bytes); // fills only what a smaller picture did not use
    return buffer;
}

FramePtr BgraConverter::convert(const AVFrame& picture, std::int64_t index) {
    // The frame hands its buffer back to the pool when the last holder lets go, even after the
    // converter is gone (the pool lives as long as a frame points to it).
    std::weak_ptr<BufferPool> pool = m_pool;
    std::shared_ptr<RgbFrame> frame(new RgbFrame, [pool](RgbFrame* done) {
        if (auto alive = pool.lock()) {
            std::lock_guard lock(alive->mutex);
            if (alive->free.size() < kPooledBuffers)
                alive->free.push_back(std::move(done->pixels));
        }
        delete done;
    });
    frame->index = index;
    frame->width = picture.width;
    frame->height = picture.height;
    frame->pixels = takeBuffer(std::size_t(picture.width) * std::size_t(picture.height) * 4);
    std::uint8_t* planes[4] = {frame->pixels.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {picture.width * 4, 0, 0, 0};
    std::lock_guard lock(m_mutex);
    m_scaler = sws_getCachedContext(m_scaler, picture.width, picture.height,
                                    AVPixelFormat(picture.format), picture.width, picture.height,
                                    AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
    if (!m_scaler)
        return nullptr;
    sws_scale(m_scaler, picture.data, picture.linesize, 0, picture.height, planes, strides);
    return frame;
}

} // namespace korvel::viewer
