// SPDX-License-Identifier: MIT
#include "app/timecode_commands.h"

#include "app/preference_keys.h"
#include "movie/qt_utility.h"
#include "timecode/frames2tc.h"
#include "timecode/tc30totc24.h"
#include "timecode/timecode.h"

#include <charconv>

namespace korvel {
namespace {

Result<TvSystem> storedTvSystem(const PreferenceStore& prefs) {
    const std::string name = prefs.stringOrEmpty(prefkey::kTVSys);
    if (const auto system = tvSystemFromName(name)) {
        return *system;
    }
    return makeError("the TV system \"" + name + "\" is not one of " + TvSystem::choicesText(),
                     ErrorKind::InvalidRequest);
}

template <class Integer> std::optional<Integer> parseInteger(std::string_view text) {
    Integer value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

Error invalid(std::string message) {
    return makeError(std::move(message), ErrorKind::InvalidRequest);
}

Error notTimecodeOf(std::string_view text, TvSystem system) {
    return invalid("\"" + std::string(text) + "\" is not a " + std::string(tvSystemName(system)) +
                   " timecode (HH:MM:SS:FF, or HH:MM:SS;FF for drop frame)");
}

} // namespace

Status checkStoredTvSystem(const PreferenceStore& prefs) {
    if (auto system = storedTvSystem(prefs); !system) {
        return system.error();
    }
    return {};
}

Result<std::int64_t> framesOfTimecode(const PreferenceStore& prefs, std::string_view text) {
    const auto system = storedTvSystem(prefs);
    if (!system) {
        return system.error();
    }
    const auto timeCode = TimeCode::parse(text, *system);
    if (!timeCode) {
        return notTimecodeOf(text, *system);
    }
    return frameNumber(timeCode->record(), system->timeCodeDef(timeCode->dropFrame()));
}

Result<std::string> timecodeOfFrames(const PreferenceStore& prefs, std::string_view number) {
    const auto system = storedTvSystem(prefs);
    if (!system) {
        return system.error();
    }
    const auto frames = parseInteger<std::int64_t>(number);
    if (!frames) {
        return invalid("\"" + std::string(number) + "\" is not a frame number");
    }
    const TimeCodeDef def = system->timeCodeDef(prefs.boolean(prefkey::kDF));
    return timeCodeText(timeCodeRecord(*frames, def), def.dropFrame());
}

Result<std::string> timecodeOfSamples(const PreferenceStore& prefs, std::string_view position,
                                      std::int32_t sampleRate) {
    const auto samples = parseInteger<std::uint64_t>(position);
    if (!samples) {
        return invalid("\"" + std::string(position) + "\" is not a sample position (0 to 2^64-1)");
    }
    return frames2tc(*samples, sampleRate, prefs.stringOrEmpty(prefkey::kBWFfpsRate));
}

Result<std::string> timecode24Of30(std::string_view text) {
    if (auto converted = tc30totc24(text)) {
        return *converted;
    }
    return invalid("\"" + std::string(text) +
                   "\" is not a 30 fps timecode (HH:MM:SS:FF with frames 00 to 29)");
}

Result<bool> MovieTimecodeCommands::check(const std::string& movie) {
    return QT_Utility(m_console, m_ui).hasTimecodeTrack(movie);
}

Result<TimecodeTrackText> MovieTimecodeCommands::read(const std::string& movie) {
    const auto reading = QT_Utility(m_console, m_ui).readTimecodeTrack(movie);
    if (!reading) {
        return reading.error();
    }
    return TimecodeTrackText{reading->start ? reading->start->text : std::string(),
                             reading->reelName};
}

Status MovieTimecodeCommands::add(const std::string& movie, const std::string& tc,
                                  const std::string& reel, bool replace,
                                  const std::function<void(const std::string&)>& note) {
    const auto system = storedTvSystem(m_prefs);
    if (!system) {
        return system.error();
    }
    const bool dropFrame = system->dropFrameAllowed() && m_prefs.boolean(prefkey::kDF);
    // A start that is not timecode text must never be stored as 00:00:00:00, nor a label drop
    // frame skips (the text's ';' or "DF" asking for drop frame) as the frame before it.
    if (!TimeCode::parse(tc, *system) ||
        !TimeCode::parse(tc, system->framesPerSecond(), dropFrame)) {
        return notTimecodeOf(tc, *system);
    }
    if (reel.size() > kMaxReelIdBytes) {
        return invalid("the reel name is " + std::to_string(reel.size()) +
                       " bytes long; a timecode track holds at most " +
                       std::to_string(kMaxReelIdBytes));
    }
    if (system->dropFrameAllowed() && dropFrame != isDropFrameText(tc)) {
        note("note: " + tc + " is counted as " + (dropFrame ? "drop" : "non-drop") +
             " frame, as \"DF\" says (--df / --no-df)");
    }
    const AddTCTrackOptions options{
        movie, tc, reel, m_prefs.stringOrEmpty(prefkey::kTVSys), dropFrame, replace, true};
    if (Status added = QT_Utility(m_console, m_ui).ZAN_AddTCTrack(options); !added) {
        return added;
    }
    if (const auto rateNote = pictureRateNote(movie, *system)) {
        note(*rateNote);
    }
    return {};
}

Status MovieTimecodeCommands::remove(const std::string& movie) {
    return QT_Utility(m_console, m_ui).ZAN_DeleteTCTrack(movie);
}

} // namespace korvel
