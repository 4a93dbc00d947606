// SPDX-License-Identifier: MIT
#pragma once

#include "audio/byte_source.h"
#include "base/result.h"
#include "movie/bwf_info.h"
#include "movie/ixml_speed.h"
#include "timecode/bwf_frame_rate.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

class PreferenceStore;

/// The two preferences the reader follows.
struct BwfReadOptions {
    /// "BWFfpsRate": the frame rate of the start timecode; nothing when the stored text names
    /// none (the start is then 00:00:00:00).
    std::optional<BwfFrameRate> bwfFpsRate = BwfFrameRate{BwfFrameRate::Kind::Pal};
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

/// The timecode rate the recorder wrote in the iXML chunk of the file at `inputFile`; nothing
/// when it has none (or no iXML chunk, or cannot be read).
std::optional<RecorderRate> bwfRecorderRate(const std::string& inputFile);

/// The frame rate a file's start timecode is written in under `choice`: the choice itself, or for
/// "From recorder" the fixed choice of the recorder's rate, PAL when the recorder named none that
/// the tool knows.
BwfFrameRate usedFrameRate(BwfFrameRate choice, const std::optional<RecorderRate>& recorder);

/// The information record of the BWF file at `inputFile`: its bext description keys, originator
/// data, origination date and time, start timecode (the 64-bit time reference at the format's
/// sample rate, in `usedFrameRate`), reel, channels, rate and bits, and "Recorder Rate" (as
/// "24000/1001 NDF") when the recorder wrote one. Never fails: a file without a bext chunk, or one
/// that cannot be read, gives "containsbext" = "NO" with the other keys at their initial values.
BwfInfo getBWF2Info(const std::string& inputFile, const BwfReadOptions& options);

/// The same from bytes already open; `inputFile` names them (its last component is the file name).
BwfInfo getBWF2Info(ByteSource& source, std::string_view inputFile, const BwfReadOptions& options);

} // namespace korvel
