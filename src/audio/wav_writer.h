// SPDX-License-Identifier: MIT
#pragma once

#include "audio/pcm_pipeline.h"
#include "base/result.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace korvel {

/// Writes a WAVE file of streamed samples. The file is built under a temporary name beside the
/// target and renamed into place by finish(), so the target is never seen half-written; a writer
/// dropped before finish() removes its temporary file.
class WavFileWriter {
  public:
    static Result<std::unique_ptr<WavFileWriter>> create(const std::string& path,
                                                         const PcmOutputFormat& format);
    ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    Status write(std::span<const std::uint8_t> samples);
    /// Fills in the sizes, flushes, and renames the file into place.
    Status finish();

    /// A sink that writes here, for convertPcm and mergePcmPair.
    PcmSink sink() {
        return [this](std::span<const std::uint8_t> samples) { return write(samples); };
    }

  private:
    WavFileWriter(std::FILE* file, std::string path, std::string temporaryPath,
                  std::uint64_t dataSizeOffset)
        : m_file(file), m_path(std::move(path)), m_temporaryPath(std::move(temporaryPath)),
          m_dataSizeOffset(dataSizeOffset) {}

    std::FILE* m_file;
    std::string m_path;
    std::string m_temporaryPath;
    std::uint64_t m_dataSizeOffset;
    std::uint64_t m_dataBytes = 0;
    bool m_finished = false;
};

} // namespace korvel
