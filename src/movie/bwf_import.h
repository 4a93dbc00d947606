// SPDX-License-Identifier: MIT
#pragma once

#include "audio/pcm_pipeline.h"
#include "base/result.h"
#include "base/temporary_file.h"
#include "movie/bwf_info.h"
#include "movie/bwf_reader.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

class FileAttributes;

/// The arguments of the BWF import (`ZAN_ImportFile`), named as the operation names them.
struct BwfImportOptions {
    std::string inputFile;
    std::string destFile;
    /// The frame rate of the start timecode ("BWFfpsRate"); nothing when the stored text names
    /// none (the movie then has no timecode track).
    std::optional<BwfFrameRate> frameRate = BwfFrameRate{BwfFrameRate::Kind::Pal};
    /// Write a reference movie whose sound track reads the BWF file's data chunk in place. Only
    /// a single file kept as it is can be referred to; a pair or a 16-bit reduction is copied
    /// (and the log says so).
    bool linkmedia = false;
    /// "48000 kHz", "44100 kHz", or any other text ("Same as Source"); used with bitReduce only.
    std::string sampleRate = "Same as Source";
    bool bitReduce = false;
    std::string secondImportFile;
    bool importTwoFiles = false;
    /// "BWFTapeIDSelect": where the reel name comes from.
    std::string bwfTapeIdSelect = "TapeID from BWF File";
    /// Whether the finished movie may replace a file found at `destFile` (the person said so);
    /// otherwise such a file is left as it is and the import fails.
    ExistingTarget existing = ExistingTarget::Keep;
    /// Told the bytes of sound written so far and in all, now and then while the movie is
    /// written, and once more when the sound is complete.
    std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)> progress;
};

using ImportLog = std::function<void(std::string_view)>;

/// How the two files of a channel pair line up: the delays of silence that put each at its
/// time reference, and how far apart the references are.
struct ChannelPairPlan {
    PairAlignment alignment;
    /// True when channel B starts before channel A: the movie starts at channel B's reference.
    bool secondStartsFirst = false;
};

/// The pairing rule: two mono WAVE files with bext chunks, of the same sample rate and sample
/// size, whose recordings overlap in time by their time references. The error says which part
/// of the rule the files miss.
Result<ChannelPairPlan> planChannelPair(const std::string& channelA, const std::string& channelB);

/// Imports one BWF file, or two mono files as channel 1 (left) and channel 2 (right), into a new
/// self-contained movie at `destFile` with one sound track and a timecode track starting at the
/// recording's time reference with the reel name as its source. The samples are copied as they
/// are, or reduced to 16 bits (TPDF dither) and resampled when asked, streamed in constant
/// memory; the movie is written beside `destFile` and renamed into place when complete.
///
/// Answers the information record of `inputFile` with "Filename" (the movie's path) and
/// "Media End" (the timecode at the movie's end); for a pair also "Tracks" = "2A" and "Name" =
/// the movie's file name. A file without a bext chunk gives its record ("containsbext" = "NO")
/// and no movie. Fails, writing nothing, when a file is not a WAVE file, when the audio cannot be
/// read, when its sample rate cannot be declared in a movie, when the two files of a pair miss
/// the pairing rule (planChannelPair), or when the movie cannot be written. The two files of a
/// pair are aligned by their time references. Without a start timecode (no fmt chunk) the movie
/// has no timecode track; `log` says why, and says how a pair was aligned and padded. `warn`
/// (when given; `log` as well) hears what the person should know about the movie: samples cut
/// short, or a data size the file could not hold.
Result<BwfInfo> ZAN_ImportFile(const BwfImportOptions& options, const ImportLog& log,
                               FileAttributes* fileAttributes = nullptr,
                               const ImportLog& warn = nullptr);

/// The length of a movie the import wrote in whole frames of the XML timebase of `frameRate`,
/// counted as its timecode track counts them, so that the start plus the duration is the movie's
/// end timecode; nothing when the movie cannot be read.
std::optional<std::uint64_t> importedMovieFrames(const std::string& moviePath,
                                                 BwfFrameRate frameRate);

/// The sound of a movie the import wrote.
struct ImportedSound {
    std::uint32_t sampleRate = 0;
    int bitsPerSample = 0;
    int channels = 0;
};

/// The sound format of a movie the import wrote, read back from it (a conversion may have
/// changed the rate or the sample size of the recording); nothing when it cannot be read.
std::optional<ImportedSound> importedMovieSound(const std::string& moviePath);

} // namespace korvel
