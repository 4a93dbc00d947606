// SPDX-License-Identifier: MIT
#pragma once

// Pictures of a movie's video track decoded by FFmpeg's libavcodec. Samples are read straight
// from the file at the places the index names; libavformat only supplies the codec parameters
// from the header, so opening never scans the media.

#include "base/result.h"
#include "viewer/frame_source.h"
#include "viewer/video_index.h"

#include <memory>
#include <string>

namespace korvel::viewer {

class FfmpegFrameSource final : public FrameSource {
  public:
    static Result<std::unique_ptr<FfmpegFrameSource>> open(const std::string& path,
                                                           const VideoIndex& index);
    ~FfmpegFrameSource() override;

    void decode(std::int64_t first, std::int64_t last, const std::atomic<bool>& cancel,
                const Deliver& deliver) override;
    FramePtr present(const DecodedFrame& frame) override;
    std::size_t frameBytes() const override;
    std::int64_t decodedPictures() const override { return m_decoded; }
    int width() const;
    int height() const;

    struct Codec;

  private:
    FfmpegFrameSource(const VideoIndex& index, std::unique_ptr<Codec> codec);
    void measureFrameBytes();

    const VideoIndex& m_index;
    std::unique_ptr<Codec> m_codec;
    std::atomic<std::int64_t> m_decoded{0};
};

} // namespace korvel::viewer
