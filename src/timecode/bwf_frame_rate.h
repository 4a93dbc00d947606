// SPDX-License-Identifier: MIT
#pragma once

#include "timecode/tv_system.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace korvel {

/// The frame rate of a clip list's timebase: frames per timecode second, whether the picture
/// runs at the NTSC 1000/1001 pace, and whether its timecode counts drop frame.
struct XmlTimebase {
    int timebase = 25;
    bool ntsc = false;
    bool dropFrame = false;

    friend bool operator==(const XmlTimebase&, const XmlTimebase&) = default;
};

/// The frame rate a BWF recording's start timecode is written in ("BWFfpsRate"), parsed once
/// from its stored option text. "From recorder" stands for the rate the recorder wrote in the
/// file itself, which the reader resolves per file.
class BwfFrameRate {
  public:
    enum class Kind : std::uint8_t {
        Pal,
        NtscDf,
        NtscNdf,
        Film24,
        Film23976,
        Fps30,
        Fps50,
        Fps5994Df,
        Fps5994Ndf,
        Fps60,
        FromRecorder
    };

    constexpr explicit BwfFrameRate(Kind kind) : m_kind(kind) {}

    /// Every choice, in the order the preferences list them.
    static const BwfFrameRate kAll[11];

    /// The choice named by an option text, compared exactly; nothing for any other text.
    static std::optional<BwfFrameRate> parse(std::string_view name);
    /// The fixed choice of a recorder's rate and drop-frame flag; nothing for a rate no choice
    /// has (drop frame at a rate without it counts as non-drop).
    static std::optional<BwfFrameRate> fromRate(Rational rate, bool dropFrame);

    /// The stored option text: "PAL", "NTSC DF", "NTSC NDF", "24 fps", "23.976 fps", "30 fps",
    /// "50 fps", "59.94 DF", "59.94 NDF", "60 fps" or "From recorder".
    std::string_view name() const;
    bool fromRecorder() const { return m_kind == Kind::FromRecorder; }
    /// The TV system whose frames the timecode counts ("From recorder" answers PAL's, its
    /// fall-back when the file names no rate).
    TvSystem tvSystem() const;
    bool dropFrame() const;
    /// The clip list's timebase, NTSC pace and drop-frame format of this rate.
    XmlTimebase xmlTimebase() const;

    Kind kind() const { return m_kind; }
    friend bool operator==(BwfFrameRate, BwfFrameRate) = default;

  private:
    Kind m_kind;
};

inline constexpr BwfFrameRate BwfFrameRate::kAll[11] = {
    BwfFrameRate{Kind::Pal},    BwfFrameRate{Kind::NtscDf},      BwfFrameRate{Kind::NtscNdf},
    BwfFrameRate{Kind::Film24}, BwfFrameRate{Kind::Film23976},   BwfFrameRate{Kind::Fps30},
    BwfFrameRate{Kind::Fps50},  BwfFrameRate{Kind::Fps5994Df},   BwfFrameRate{Kind::Fps5994Ndf},
    BwfFrameRate{Kind::Fps60},  BwfFrameRate{Kind::FromRecorder}};

} // namespace korvel
