// SPDX-License-Identifier: MIT
#include "viewer_qt/audio_device_sink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <cstring>

namespace korvel::viewer_qt {
namespace {

// About a quarter second of 48 kHz stereo: stop and direction changes are heard soon.
constexpr std::size_t kQueueSamples = 24000;

} // namespace

SampleQueue::SampleQueue(std::size_t capacitySamples) : m_capacity(capacitySamples) {}

void SampleQueue::restart() {
    {
        std::lock_guard lock(m_mutex);
        m_samples.clear();
        m_finished = false;
    }
    m_taken = 0;
    if (!isOpen())
        open(QIODevice::ReadOnly);
}

bool SampleQueue::push(std::span<const std::int16_t> samples) {
    std::unique_lock lock(m_mutex);
    while (!samples.empty()) {
        m_room.wait(lock, [this] { return m_finished || m_samples.size() < m_capacity; });
        if (m_finished)
            return false;
        const std::size_t taken = std::min(samples.size(), m_capacity - m_samples.size());
        m_samples.insert(m_samples.end(), samples.begin(), samples.begin() + std::ptrdiff_t(taken));
        samples = samples.subspan(taken);
    }
    return true;
}

void SampleQueue::finish() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
        m_samples.clear();
    }
    m_room.notify_all();
}

qint64 SampleQueue::bytesAvailable() const {
    std::lock_guard lock(m_mutex);
    return qint64(m_samples.size() * sizeof(std::int16_t)) + QIODevice::bytesAvailable();
}

qint64 SampleQueue::readData(char* data, qint64 maxSize) {
    std::size_t count = 0;
    {
        std::lock_guard lock(m_mutex);
        count = std::min(m_samples.size(), std::size_t(maxSize) / sizeof(std::int16_t));
        for (std::size_t i = 0; i < count; ++i) {
            const std::int16_t sample = m_samples[i];
            std::memcpy(data + i * sizeof(sample), &sample, sizeof(sample));
        }
        m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(count));
    }
    m_taken += std::int64_t(count);
    m_room.notify_all();
    return qint64(count * sizeof(std::int16_t));
}

AudioDeviceSink::AudioDeviceSink(viewer::LogEntry log)
    : m_log(std::move(log)), m_queue(kQueueSamples) {}

AudioDeviceSink::~AudioDeviceSink() {
    end();
}

std::optional<viewer::SoundFormat> AudioDeviceSink::begin() {
    m_sampleRate = 0;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        if (!m_toldNoDevice && m_log)
            m_log("No sound device: movies play without sound");
        m_toldNoDevice = true;
        return std::nullopt;
    }
    QAudioFormat format = device.preferredFormat();
    format.setSampleFormat(QAudioFormat::Int16);
    m_queue.restart();
    m_device = std::make_unique<QAudioSink>(device, format);
    m_device->start(&m_queue);
    m_bufferedSamples = m_device->bufferSize() / qint64(sizeof(std::int16_t));
    m_channels = std::max(1, format.channelCount());
    m_sampleRate = format.sampleRate();
    return viewer::SoundFormat{format.sampleRate(), format.channelCount()};
}

bool AudioDeviceSink::write(std::span<const std::int16_t> samples) {
    return m_queue.push(samples);
}

std::optional<std::chrono::microseconds> AudioDeviceSink::played() const {
    const std::int64_t rate = m_sampleRate;
    const std::int64_t taken = m_queue.taken();
    if (rate <= 0 || taken == 0)
        return std::nullopt;
    const std::int64_t frames = std::max<std::int64_t>(0, taken - m_bufferedSamples) / m_channels;
    return std::chrono::microseconds(frames * 1000000 / rate);
}

void AudioDeviceSink::end() {
    m_sampleRate = 0;
    m_queue.finish();
    if (m_device)
        m_device->stop();
    m_device.reset();
}

} // namespace korvel::viewer_qt
