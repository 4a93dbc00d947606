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

FramePtr BgraConverter::convert(const AVFrame& picture, std::int64_t index) {
    auto frame = std::make_shared<RgbFrame>();
    frame->index = index;
    frame->width = picture.width;
    frame->height = picture.height;
    frame->pixels.resize(std::size_t(picture.width) * std::size_t(picture.height) * 4);
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
