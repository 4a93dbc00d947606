// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

/// A frame rate as an exact fraction: numerator frames every denominator seconds.
struct Rational {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;

    friend bool operator==(const Rational&, const Rational&) = default;
};

/// Flag bits of a timecode definition, as movie files store them.
inline constexpr std::int32_t kTcDropFrame = 1;
inline constexpr std::int32_t kTc24HourMax = 2;

/// A timecode track's definition: flags, time units per second, time units per frame and frames
/// per timecode second.
struct TimeCodeDef {
    std::int32_t flags = 0;
    std::int32_t fTimeScale = 0;
    std::int32_t frameDuration = 0;
    std::uint8_t numFrames = 0;
    std::uint8_t padding = 0;

    bool dropFrame() const { return (flags & kTcDropFrame) != 0; }
    friend bool operator==(const TimeCodeDef&, const TimeCodeDef&) = default;
};

/// A video standard the tool works in, parsed once from its stored option text ("TVSys").
/// NTSC counts 30 frames per timecode second at 29.97 frames per second, 59.94 counts 60 at
/// 59.94; both may count drop frame. The others count as many frames as they show.
class TvSystem {
  public:
    enum class Kind : std::uint8_t { Pal, Ntsc, Film24, Film23976, Fps30, Fps50, Fps5994, Fps60 };

    constexpr explicit TvSystem(Kind kind) : m_kind(kind) {}

    static const TvSystem Pal;
    static const TvSystem Ntsc;
    static const TvSystem Film24;
    static const TvSystem Film23976;
    static const TvSystem Fps30;
    static const TvSystem Fps50;
    static const TvSystem Fps5994;
    static const TvSystem Fps60;

    /// Every TV system, in the order the preferences list them.
    static const TvSystem kAll[8];

    /// The TV system named by an option text, compared exactly; nothing for any other text.
    static std::optional<TvSystem> parse(std::string_view name);

    /// Every stored option text, quoted and separated by commas, for messages.
    static std::string choicesText();

    /// The stored option text: "PAL", "NTSC", "24 fps", "23.976 fps", "30 fps", "50 fps",
    /// "59.94 fps" or "60 fps".
    std::string_view name() const;
    /// Frames per timecode second.
    int framesPerSecond() const;
    /// Frames the picture shows per second.
    Rational frameRate() const;
    /// Whether drop-frame counting is defined for this system (NTSC and 59.94).
    bool dropFrameAllowed() const;
    /// The definition the tool writes: hours always wrap after 23 (flag 2), and drop frame
    /// (flag 1) only where it is allowed and `dropFrame` is on.
    TimeCodeDef timeCodeDef(bool dropFrame) const;

    Kind kind() const { return m_kind; }
    friend bool operator==(TvSystem, TvSystem) = default;

  private:
    Kind m_kind;
};

inline constexpr TvSystem TvSystem::Pal{Kind::Pal};
inline constexpr TvSystem TvSystem::Ntsc{Kind::Ntsc};
inline constexpr TvSystem TvSystem::Film24{Kind::Film24};
inline constexpr TvSystem TvSystem::Film23976{Kind::Film23976};
inline constexpr TvSystem TvSystem::Fps30{Kind::Fps30};
inline constexpr TvSystem TvSystem::Fps50{Kind::Fps50};
inline constexpr TvSystem TvSystem::Fps5994{Kind::Fps5994};
inline constexpr TvSystem TvSystem::Fps60{Kind::Fps60};
inline constexpr TvSystem TvSystem::kAll[8] = {
    TvSystem::Pal,   TvSystem::Ntsc,  TvSystem::Film24,  TvSystem::Film23976,
    TvSystem::Fps30, TvSystem::Fps50, TvSystem::Fps5994, TvSystem::Fps60};

/// The stored option text of a TV system.
inline std::string_view tvSystemName(TvSystem system) {
    return system.name();
}
/// The TV system named by an option text; nothing for any other text.
inline std::optional<TvSystem> tvSystemFromName(std::string_view name) {
    return TvSystem::parse(name);
}
/// Frames per timecode second.
inline int framesPerSecond(TvSystem system) {
    return system.framesPerSecond();
}
/// The definition the tool writes for a TV system.
inline TimeCodeDef timeCodeDef(TvSystem system, bool dropFrame) {
    return system.timeCodeDef(dropFrame);
}

} // namespace korvel
