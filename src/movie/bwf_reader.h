// SPDX-License-Identifier: MIT
#pragma once

#include "audio/byte_source.h"
#include "base/result.h"
#include "movie/bwf_info.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

class PreferenceStore;

/// The two preferences the reader follows.
struct BwfReadOptions {
    /// "BWFfpsRate": the frame rate of the start timecode: "PAL", "NTSC DF", "NTSC NDF", "24 fps".
    std::string bwfFpsRate = "PAL";
    /// "BWFTapeIDSelect": where the reel name comes from.
    std::string bwfTapeIdSelect = "TapeID from BWF File";
};

/// The options as the preference store holds them now (absent keys keep their defaults).
BwfReadOptions bwfReadOptions(const PreferenceStore& prefs);

/// Whether the bytes start like a WAVE file: a RIFF, RF64 or BW64 header of form WAVE. Files
/// that do not (empty, text, a header cut short) are not recordings at all, which a missing
/// bext chunk does not tell apart.
Status checkWaveFile(ByteSource& source);
Status checkWaveFile(const std::string& inputFile);

/// The bext time reference of the file at `inputFile` (its first sample counted from
/// midnight), or nothing when it has no bext chunk or cannot be read.
std::optional<std::uint64_t> bwfTimeReference(const std::string& inputFile);

/// The information record of the BWF file at `inputFile`: its bext description keys, originator
/// data, origination date and time, start timecode (the 64-bit time reference at the format's
/// sample rate), reel, channels, rate and bits. Never fails: a file without a bext chunk, or one
/// that cannot be read, gives "containsbext" = "NO" with the other keys at their initial values.
BwfInfo getBWF2Info(const std::string& inputFile, const BwfReadOptions& options);

/// The same from bytes already open; `inputFile` names them (its last component is the file name).
BwfInfo getBWF2Info(ByteSource& source, std::string_view inputFile,
                    const BwfReadOptions& options);

} // namespace korvel
