// SPDX-License-Identifier: MIT
#pragma once

// A new self-contained movie holding one PCM sound track and, when asked, the timecode track:
//   'ftyp' (qt), 'mdat' (64-bit size: the samples as they came, then the 4-byte timecode
//   sample), 'moov' (sound track 1 referring to timecode track 2).
// Samples are stored little-endian as they come, so WAVE data goes in without conversion:
// 16-bit as 'sowt' (version 0), 24-bit as 'in24' (version 1, with 'enda' little-endian), and
// float, more than two channels or rates above 65535 Hz as 'lpcm' (version 2).

#include "base/result.h"
#include "base/temporary_file.h"
#include "qtff/atom.h"
#include "qtff/timecode_track.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvel::qtff {

enum class PcmEncoding { Int16LE, Int24LE, Float32LE };

struct SoundFormat {
    PcmEncoding encoding = PcmEncoding::Int16LE;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;

    std::uint32_t bytesPerSample() const;
    std::uint32_t bytesPerFrame() const { return bytesPerSample() * channels; }
};

/// Whether a movie can hold sound of `format`: channels of a known sample size, and a sample
/// rate that its time scale can declare (1 Hz to 2^31 - 1 Hz). The error says what is wrong.
Status checkSoundFormat(const SoundFormat& format);

/// The whole sound sample description entry for `format`.
std::vector<std::uint8_t> makeSoundSampleDescription(const SoundFormat& format);

/// The format a sound sample description entry (`bytes`, size and format included) declares, for
/// the three kinds makeSoundSampleDescription writes ('sowt', 'in24', integer or float 'lpcm');
/// nothing for any other entry or one too short for its fields.
std::optional<SoundFormat> soundFormatOf(std::span<const std::uint8_t> bytes);

/// A data reference to another file by its absolute path: an 'alis' entry holding a full alias
/// record (version 2) whose absolute-path item names the file, the form QuickTime and FFmpeg
/// both follow (FFmpeg with -enable_drefs 1 -use_absolute_path 1).
Atom makeAliasDinf(const std::string& absolutePath);

/// A sound 'trak' of `frames` sample frames stored one after another from file offset
/// `firstOffset`, in chunks of half a second and at least 4 KiB. Times are in the movie time
/// scale `movieTimeScale`.
/// The samples are in the movie's own file, or, given `dataFile`, in that file (the offsets
/// count in it).
Result<Atom> makeSoundTrack(std::uint32_t trackId, const SoundFormat& format, std::uint64_t frames,
                            std::uint64_t firstOffset, std::uint32_t movieTimeScale,
                            const std::optional<std::string>& dataFile = std::nullopt);

struct SoundMovieOptions {
    SoundFormat format;
    /// The timecode track to add; none for a movie without timecode.
    std::optional<TimecodeTrackOptions> timecode;
};

/// Writes a reference movie: its sound track reads `frames` frames of samples from `dataFile`
/// starting at `dataOffset`, where they lie as `format` describes them; nothing is copied, so
/// the cost does not depend on the recording's length. The timecode track, when given, is stored
/// in the movie itself. Built beside `path` and renamed into place; a file found at `path` then
/// is replaced only with ExistingTarget::Replace.
Status writeReferenceSoundMovie(const std::string& path, const SoundMovieOptions& options,
                                const std::string& dataFile, std::uint64_t dataOffset,
                                std::uint64_t frames, ExistingTarget existing);

/// Writes a sound movie from streamed samples. The movie is built under a temporary name beside
/// the target and renamed into place by finish() once it is complete and on disk, so the target
/// is never half-written; a writer dropped before finish() removes its temporary file.
class SoundMovieWriter {
  public:
    static Result<std::unique_ptr<SoundMovieWriter>> create(const std::string& path,
                                                            const SoundMovieOptions& options);
    ~SoundMovieWriter();
    SoundMovieWriter(const SoundMovieWriter&) = delete;
    SoundMovieWriter& operator=(const SoundMovieWriter&) = delete;

    /// Appends interleaved little-endian samples; blocks need not end on a frame.
    Status write(std::span<const std::uint8_t> samples);
    /// Appends `length` bytes of samples taken as they are from the file at `sourcePath`,
    /// starting at `offset`, with the kernel's file-to-file copy where it has one (no pass
    /// through this process's memory), else by reading and writing.
    Status copyFrom(const std::string& sourcePath, std::uint64_t offset, std::uint64_t length);
    /// Adds the timecode sample and the header, flushes to disk and renames into place; a file
    /// found at the target then is replaced only with ExistingTarget::Replace.
    Status finish(ExistingTarget existing);

    std::uint64_t framesWritten() const;

  private:
    SoundMovieWriter(std::FILE* file, TemporaryFile temporary, SoundMovieOptions options,
                     std::uint64_t mdatOffset)
        : m_file(file), m_temporary(std::move(temporary)), m_options(std::move(options)),
          m_mdatOffset(mdatOffset) {}

    Status writeBytes(std::span<const std::uint8_t> bytes);

    std::FILE* m_file;
    TemporaryFile m_temporary;
    SoundMovieOptions m_options;
    std::uint64_t m_mdatOffset; // of the mdat header
    std::uint64_t m_sampleBytes = 0;
};

} // namespace korvel::qtff
