// SPDX-License-Identifier: MIT
#include "timecode/timecode.h"

namespace korvel {
namespace {

std::int64_t floorMod(std::int64_t value, std::int64_t modulus) {
    const std::int64_t rest = value % modulus;
    return rest < 0 ? rest + modulus : rest;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<int> twoDigits(std::string_view text, std::size_t position) {
    if (!isDigit(text[position]) || !isDigit(text[position + 1])) {
        return std::nullopt;
    }
    return (text[position] - '0') * 10 + (text[position + 1] - '0');
}

// Splits a count of labelled frames (as if no label were skipped) into the record's fields.
TimeCodeRecord splitLabels(std::int64_t labels, std::int64_t framesPerSecond) {
    TimeCodeRecord record;
    record.frames = static_cast<std::uint8_t>(labels % framesPerSecond);
    record.seconds = static_cast<std::uint8_t>((labels / framesPerSecond) % 60);
    record.minutes = static_cast<std::uint8_t>((labels / (60 * framesPerSecond)) % 60);
    record.hours = static_cast<std::uint8_t>((labels / (3600 * framesPerSecond)) % 24);
    return record;
}

void appendTwoDigits(std::string& out, int value) {
    out.push_back(static_cast<char>('0' + value / 10 % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

// Labels drop-frame counting skips at the start of a minute: 2 at 30 frames, 4 at 60.
std::int64_t droppedPerMinute(std::int64_t framesPerSecond) {
    return framesPerSecond / 15;
}

std::int64_t dropFramesPerTenMinutes(std::int64_t framesPerSecond) {
    return 600 * framesPerSecond - 9 * droppedPerMinute(framesPerSecond);
}

} // namespace

std::int64_t framesPerDay(const TimeCodeDef& def) {
    const std::int64_t n = def.numFrames == 0 ? 1 : def.numFrames;
    return def.dropFrame() ? 144 * dropFramesPerTenMinutes(n) : 86400 * n;
}

std::int64_t frameNumber(const TimeCodeRecord& record, const TimeCodeDef& def) {
    const std::int64_t n = def.numFrames;
    const std::int64_t hours = record.hours;
    const std::int64_t minutes = record.minutes;
    const std::int64_t labels = ((hours * 60 + minutes) * 60 + record.seconds) * n + record.frames;
    if (!def.dropFrame()) {
        return labels;
    }
    // Labels dropped every minute, except every tenth minute.
    const std::int64_t totalMinutes = 60 * hours + minutes;
    return labels - droppedPerMinute(n) * (totalMinutes - totalMinutes / 10);
}

TimeCodeRecord timeCodeRecord(std::int64_t frameNumber, const TimeCodeDef& def) {
    const std::int64_t n = def.numFrames == 0 ? 1 : def.numFrames;
    if (!def.dropFrame()) {
        return splitLabels(floorMod(frameNumber, 86400 * n), n);
    }
    const std::int64_t dropped = droppedPerMinute(n);
    const std::int64_t tenMinutes = dropFramesPerTenMinutes(n);
    const std::int64_t frames = floorMod(frameNumber, framesPerDay(def));
    const std::int64_t tens = frames / tenMinutes;
    const std::int64_t rest = frames % tenMinutes;
    std::int64_t labels = frames + 9 * dropped * tens;
    if (rest >= dropped) {
        labels += dropped * ((rest - dropped) / (60 * n - dropped));
    }
    return splitLabels(labels, n);
}

std::string timeCodeText(const TimeCodeRecord& record, bool dropFrame) {
    std::string text;
    text.reserve(11);
    appendTwoDigits(text, record.hours);
    text.push_back(':');
    appendTwoDigits(text, record.minutes);
    text.push_back(':');
    appendTwoDigits(text, record.seconds);
    text.push_back(dropFrame ? ';' : ':');
    appendTwoDigits(text, record.frames);
    return text;
}

std::optional<TimeCodeRecord> parseTimeCodeFields(std::string_view text) {
    if (text.size() < 11) {
        return std::nullopt;
    }
    const auto hours = twoDigits(text, 0);
    const auto minutes = twoDigits(text, 3);
    const auto seconds = twoDigits(text, 6);
    const auto frames = twoDigits(text, 9);
    if (!hours || !minutes || !seconds || !frames) {
        return std::nullopt;
    }
    return TimeCodeRecord{static_cast<std::uint8_t>(*hours), static_cast<std::uint8_t>(*minutes),
                          static_cast<std::uint8_t>(*seconds), static_cast<std::uint8_t>(*frames)};
}

bool isDropFrameText(std::string_view text) {
    return text.size() > 8 && text[8] == ';';
}

bool isSkippedDropFrameLabel(const TimeCodeRecord& record, int framesPerSecond) {
    return record.seconds == 0 && record.frames < droppedPerMinute(framesPerSecond) &&
           record.minutes % 10 != 0;
}

std::optional<TimeCode> TimeCode::parse(std::string_view text, int framesPerSecond,
                                        bool dropFrame) {
    if (text.size() != 11 || text[2] != ':' || text[5] != ':' ||
        (text[8] != ':' && text[8] != ';')) {
        return std::nullopt;
    }
    const auto record = parseTimeCodeFields(text);
    if (!record || record->hours >= 24 || record->minutes >= 60 || record->seconds >= 60 ||
        record->frames >= framesPerSecond ||
        (dropFrame && isSkippedDropFrameLabel(*record, framesPerSecond))) {
        return std::nullopt;
    }
    return TimeCode(*record, dropFrame);
}

std::optional<TimeCode> TimeCode::parse(std::string_view text, TvSystem system) {
    return parse(text, system.framesPerSecond(),
                 system.dropFrameAllowed() && isDropFrameText(text));
}

bool isValidTimeCodeText(std::string_view text, int framesPerSecond, bool dropFrame) {
    return TimeCode::parse(text, framesPerSecond, dropFrame).has_value();
}

bool isValidTimeCodeText(std::string_view text, TvSystem system) {
    return TimeCode::parse(text, system).has_value();
}

} // namespace korvel
