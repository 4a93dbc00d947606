// SPDX-License-Identifier: MIT
#include "viewer/sound_feeder.h"

#include "viewer/sound_reversal.h"

#include <algorithm>
#include <cstring>

namespace korvel::viewer {
namespace {

std::vector<std::int16_t> reversedBlock(const std::vector<std::int16_t>& block, int channels) {
    const std::size_t frameBytes = std::size_t(channels) * sizeof(std::int16_t);
    const auto bytes =
        reverseSampleFrames(std::span(reinterpret_cast<const std::uint8_t*>(block.data()),
                                      block.size() * sizeof(std::int16_t)),
                            frameBytes);
    std::vector<std::int16_t> out(bytes.size() / sizeof(std::int16_t));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(std::int16_t));
    return out;
}

} // namespace

SoundFeeder::SoundFeeder(SoundSink& sink, SoundReaderOpener opener)
    : m_sink(sink), m_opener(std::move(opener)) {}

SoundFeeder::~SoundFeeder() {
    playStopped();
}

void SoundFeeder::setSource(std::string path) {
    std::lock_guard lock(m_sourceMutex);
    m_source = std::move(path);
}

void SoundFeeder::playStarted(int direction, MediaTime from) {
    playStopped();
    std::string path;
    {
        std::lock_guard lock(m_sourceMutex);
        path = m_source;
    }
    if (path.empty())
        return;
    const auto format = m_sink.begin();
    if (!format)
        return;
    m_stop = false;
    // Opening and decoding happen on the feeding thread: play never waits for the sound.
    m_thread = std::thread([this, path, format = *format, direction, from] {
        auto reader = m_opener(path, format);
        if (reader)
            feed(**reader, format.channels, direction < 0 ? -1 : 1,
                 rescale(from.value, from.scale, format.sampleRate));
    });
}

void SoundFeeder::feed(SoundReader& reader, int channels, int direction, std::int64_t position) {
    while (!m_stop) {
        const std::int64_t frames = direction > 0 ? kBlockFrames : std::min(kBlockFrames, position);
        if (frames <= 0)
            return;
        const std::int64_t first = direction > 0 ? position : position - frames;
        auto block = reader.read(first, frames);
        if (block.empty())
            return;
        if (direction < 0)
            block = reversedBlock(block, channels);
        if (!m_sink.write(block))
            return;
        position += direction * frames;
    }
}

void SoundFeeder::waitUntilFed() {
    if (m_thread.joinable())
        m_thread.join();
}

void SoundFeeder::playStopped() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_sink.end();
        m_thread.join();
    }
}

} // namespace korvel::viewer
