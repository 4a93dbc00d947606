// SPDX-License-Identifier: MIT
#pragma once

// Plays the sound of the file on screen with the pictures: when play starts, a thread reads the
// sound from the frame on screen on, in the direction of play (reverse: each block's sample
// frames last first, so reverse play is the forward sound played backwards, without gaps), and
// hands it to the sink; it ends when play stops or the sound does.

#include "viewer/movie_player.h"
#include "viewer/sound_reader.h"
#include "viewer/sound_sink.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace korvel::viewer {

using SoundReaderOpener =
    std::function<Result<std::unique_ptr<SoundReader>>(const std::string&, SoundFormat)>;

class SoundFeeder final : public PlaybackListener {
  public:
    /// Sample frames read and handed over at a time.
    static constexpr std::int64_t kBlockFrames = 2048;

    explicit SoundFeeder(SoundSink& sink, SoundReaderOpener opener = openSoundReader);
    ~SoundFeeder() override;

    /// The file whose sound plays next; empty: none.
    void setSource(std::string path);
    void playStarted(int direction, MediaTime from) override;
    void playStopped() override;
    /// Blocks until the feeding thread has handed over the last of the sound (measuring, tests).
    void waitUntilFed();

  private:
    void feed(SoundReader& reader, int channels, int direction, std::int64_t position);

    SoundSink& m_sink;
    SoundReaderOpener m_opener;
    std::mutex m_sourceMutex;
    std::string m_source;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace korvel::viewer
