// SPDX-License-Identifier: MIT
// Timecode text from outside: whatever the bytes, parsing never misbehaves, and a text that
// passes the validity check converts to a frame number and back to the same text.
#include "timecode/frames2tc.h"
#include "timecode/tc30totc24.h"
#include "timecode/timecode.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using namespace korvel;

namespace {

void checkRoundTrip(std::string_view text, TvSystem system) {
    if (!isValidTimeCodeText(text, system)) {
        return;
    }
    const bool dropFrame = system.dropFrameAllowed() && isDropFrameText(text);
    const TimeCodeDef def = timeCodeDef(system, dropFrame);
    const TimeCodeRecord record = *parseTimeCodeFields(text);
    std::string expected(text);
    expected[8] = dropFrame ? ';' : ':'; // outside NTSC and 59.94 a ';' does not make drop frame
    if (timeCodeText(timeCodeRecord(frameNumber(record, def), def), dropFrame) != expected) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (TvSystem system : TvSystem::kAll) {
        checkRoundTrip(text, system);
    }
    if (const auto converted = tc30totc24(text)) {
        if (converted->size() != 11) {
            __builtin_trap();
        }
    }
    if (size >= 13) {
        std::uint64_t position = 0;
        std::int32_t sampleRate = 0;
        std::memcpy(&position, data, sizeof position);
        std::memcpy(&sampleRate, data + 8, sizeof sampleRate);
        static const char* const kRates[] = {"PAL",        "NTSC DF", "NTSC NDF",      "24 fps",
                                             "23.976 fps", "30 fps",  "50 fps",        "59.94 DF",
                                             "59.94 NDF",  "60 fps",  "From recorder", "other"};
        constexpr std::size_t kRateCount = sizeof kRates / sizeof kRates[0];
        // Every start lies within one day.
        if (frames2tc(position, sampleRate, kRates[data[12] % kRateCount]).size() != 11) {
            __builtin_trap();
        }
    }
    return 0;
}
