// SPDX-License-Identifier: MIT
#pragma once

// Glossary.
//   frame number   a count of frames from 00:00:00:00, at numFrames frames per timecode second
//   timecode text  HH:MM:SS:FF, eleven characters, two-digit fields at positions 0, 3, 6 and 9;
//                  drop-frame text has ';' at position 8 (HH:MM:SS;FF)
//   drop frame     SMPTE ST 12-1 counting for 29.97 fps: the labels 00 and 01 are skipped at the
//                  start of every minute except minutes 00, 10, 20, 30, 40 and 50; at 59.94 fps
//                  the labels 00 to 03 likewise

#include "timecode/tv_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel {

/// Hours, minutes, seconds and frames of a timecode.
struct TimeCodeRecord {
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t seconds = 0;
    std::uint8_t frames = 0;

    friend bool operator==(const TimeCodeRecord&, const TimeCodeRecord&) = default;
};

/// Frames in one day of 29.97 drop-frame timecode, and in ten drop-frame minutes.
inline constexpr std::int64_t kDropFrameFramesPerDay = 2589408;
inline constexpr std::int64_t kDropFrameFramesPerTenMinutes = 17982;

/// Frames in one day under the definition's counting rule (the frame numbers 0 to this - 1).
std::int64_t framesPerDay(const TimeCodeDef& def);

/// The frame number of a timecode under the definition's counting rule (drop frame when its
/// flags say so). Hours are not limited: 99:00:00:00 counts on past a day.
std::int64_t frameNumber(const TimeCodeRecord& record, const TimeCodeDef& def);

/// The timecode of a frame number under the definition's counting rule. Hours wrap after 23;
/// a negative frame number counts back from the end of the day.
TimeCodeRecord timeCodeRecord(std::int64_t frameNumber, const TimeCodeDef& def);

/// Timecode text of a record: HH:MM:SS:FF, or HH:MM:SS;FF when `dropFrame`.
std::string timeCodeText(const TimeCodeRecord& record, bool dropFrame);

/// The four fields read from the fixed positions 0, 3, 6 and 9 of a text of at least eleven
/// characters; the separators are not inspected. Nothing when a field is not two digits.
std::optional<TimeCodeRecord> parseTimeCodeFields(std::string_view text);

/// True when the text is drop-frame timecode text: its character at position 8 is ';'.
bool isDropFrameText(std::string_view text);

/// True for the labels drop-frame counting at `framesPerSecond` skips: at 30, frames 00 and 01
/// of every minute not divisible by ten; at 60, frames 00 to 03. No frame number ever has them.
bool isSkippedDropFrameLabel(const TimeCodeRecord& record, int framesPerSecond = 30);

/// A timecode that came from outside (a log, a command line, a file), made only from valid text.
class TimeCode {
  public:
    /// The one check: exactly eleven characters, HH:MM:SS:FF or HH:MM:SS;FF, digits at the fixed
    /// positions, hours below 24, minutes and seconds below 60, frames below `framesPerSecond`,
    /// and, when `dropFrame`, none of the labels drop-frame counting skips.
    static std::optional<TimeCode> parse(std::string_view text, int framesPerSecond,
                                         bool dropFrame);
    /// As above at the TV system's frames per second, drop frame when the system allows it and
    /// the text says so (';' at position 8).
    static std::optional<TimeCode> parse(std::string_view text, TvSystem system);

    const TimeCodeRecord& record() const { return m_record; }
    bool dropFrame() const { return m_dropFrame; }

  private:
    TimeCode(TimeCodeRecord record, bool dropFrame) : m_record(record), m_dropFrame(dropFrame) {}

    TimeCodeRecord m_record;
    bool m_dropFrame;
};

/// Whether `TimeCode::parse` accepts the text.
bool isValidTimeCodeText(std::string_view text, int framesPerSecond, bool dropFrame);
bool isValidTimeCodeText(std::string_view text, TvSystem system);

} // namespace korvel
