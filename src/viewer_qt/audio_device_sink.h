// SPDX-License-Identifier: MIT
#pragma once

// The viewer's sound on the machine's default sound device (Qt Multimedia). The device pulls
// from a small queue the feeding thread fills, so the GUI thread never waits for decoding and the
// feeding thread waits only for room.

#include "viewer/sound_sink.h"
#include "viewer/type_code_check.h"

#include <QIODevice>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class QAudioSink;

namespace korvel::viewer_qt {

/// Samples on their way to the device: filled by `push` (waits while full), drained by the device.
class SampleQueue final : public QIODevice {
    Q_OBJECT
  public:
    explicit SampleQueue(std::size_t capacitySamples);
    /// Opens for a new play; what a previous play left is dropped.
    void restart();
    /// False once `finish` was called.
    bool push(std::span<const std::int16_t> samples);
    /// Wakes a waiting `push` and drops the queue.
    void finish();
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    /// Samples the device has taken since `restart`.
    std::int64_t taken() const { return m_taken; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::deque<std::int16_t> m_samples;
    bool m_finished = false;
    std::atomic<std::int64_t> m_taken{0};
};

class AudioDeviceSink final : public viewer::SoundSink {
  public:
    /// `log` hears once that there is no sound device.
    explicit AudioDeviceSink(viewer::LogEntry log);
    ~AudioDeviceSink() override;

    std::optional<viewer::SoundFormat> begin() override;
    bool write(std::span<const std::int16_t> samples) override;
    void end() override;
    std::optional<std::chrono::microseconds> played() const override;

  private:
    viewer::LogEntry m_log;
    bool m_toldNoDevice = false;
    SampleQueue m_queue;
    std::unique_ptr<QAudioSink> m_device;
    /// The format of the play under way (samples per second 0: none) and the device's own
    /// buffer, which it has taken but not yet played.
    std::atomic<int> m_sampleRate{0};
    std::atomic<int> m_channels{0};
    std::atomic<std::int64_t> m_bufferedSamples{0};
};

} // namespace korvel::viewer_qt
