// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "movie/bwf_info.h"
#include "movie/bwf_reader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace korvel {

class FileAttributes;

/// The arguments of the BWF import (`ZAN_ImportFile`), named as the operation names them.
struct BwfImportOptions {
    std::string inputFile;
    std::string destFile;
    /// "PAL", "NTSC DF", "NTSC NDF" or "24 fps": the frame rate of the start timecode.
    std::string tvSys = "PAL";
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
    /// Told the bytes of sound written so far and in all, now and then while the movie is
    /// written, and once more when the sound is complete.
    std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)> progress;
};

using ImportLog = std::function<void(std::string_view)>;

/// Imports one BWF file, or two mono files as channel 1 (left) and channel 2 (right), into a new
/// self-contained movie at `destFile` with one sound track and a timecode track starting at the
/// recording's time reference with the reel name as its source. The samples are copied as they
/// are, or reduced to 16 bits (TPDF dither) and resampled when asked, streamed in constant
/// memory; the movie is written beside `destFile` and renamed into place when complete.
///
/// Answers the information record of `inputFile` with "Filename" (the movie's path) and
/// "Media End" (the timecode at the movie's end); for a pair also "Tracks" = "2A" and "Name" =
/// the movie's file name. A file without a bext chunk gives its record ("containsbext" = "NO")
/// and no movie. Fails, writing nothing, when the audio cannot be read, when the two files of a
/// pair differ in sample rate or sample size, or when the movie cannot be written. Without a
/// start timecode (no fmt chunk) the movie has no timecode track; `log` says why, and says when
/// the shorter file of a pair was padded with silence.
Result<BwfInfo> ZAN_ImportFile(const BwfImportOptions& options, const ImportLog& log,
                               FileAttributes* fileAttributes = nullptr);

} // namespace korvel
