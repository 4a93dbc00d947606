// SPDX-License-Identifier: MIT
#include "timecode/frames2tc.h"

#include "timecode/bwf_frame_rate.h"
#include "timecode/timecode.h"

#include <cmath>

namespace korvel {
namespace {

const char* const kZeroTimecode = "00:00:00:00";

// Samples per hour, minute, second and frame of the repeated subtraction.
struct CountingUnits {
    double hour;
    double minute;
    double second;
    double frame;

    bool usable() const { return hour > 0 && minute > 0 && second > 0 && frame > 0; }
};

// Within this many hours the count is the plain repeated subtraction; past it the hours are
// found by division, so that a corrupt position near 2^64 answers at once.
constexpr double kLiteralCountHours = 30.0;

void appendField(std::string& text, long long value) {
    if (value <= 9) {
        text.push_back('0');
    }
    text += std::to_string(value);
}

std::string countDown(double samples, const CountingUnits& units) {
    long long hours = 0;
    if (samples >= kLiteralCountHours * units.hour) {
        const double whole = std::floor(samples / units.hour);
        samples -= whole * units.hour;
        hours = static_cast<long long>(whole);
        if (samples < 0) {
            samples += units.hour;
            --hours;
        }
    }
    while (samples >= units.hour) {
        samples -= units.hour;
        ++hours;
    }
    long long minutes = 0;
    while (samples >= units.minute) {
        samples -= units.minute;
        ++minutes;
    }
    long long seconds = 0;
    while (samples >= units.second) {
        samples -= units.second;
        ++seconds;
    }
    long long frames = 0;
    while (samples >= units.frame) {
        samples -= units.frame;
        ++frames;
    }
    std::string text;
    // A time reference at or past midnight (a recorder left running, a clock set wrong) names a
    // time of day like every other timecode: the hours wrap as a timecode track's do.
    appendField(text, hours % 24);
    text.push_back(':');
    appendField(text, minutes);
    text.push_back(':');
    appendField(text, seconds);
    text.push_back(':');
    appendField(text, frames);
    return text;
}

std::string ntscDropFrame(double samples, std::int32_t sampleRate) {
    const double samplesPerFrame = (sampleRate / 30) * 1.001;
    if (samplesPerFrame <= 0) {
        return kZeroTimecode;
    }
    const double x = samples / samplesPerFrame;
    const double whole = std::floor(x);
    const bool roundUp = x - whole >= 0.5;
    // The day repeats, so only the frame number modulo one day matters; fmod keeps that exact
    // for positions whose frame count would not fit an integer.
    const auto frame = static_cast<std::int64_t>(
        std::fmod(whole, static_cast<double>(kDropFrameFramesPerDay)) + (roundUp ? 1 : 0));
    return timeCodeText(timeCodeRecord(frame, timeCodeDef(TvSystem::Ntsc, true)), true);
}

std::string ntscNonDrop(double samples, std::int32_t sampleRate) {
    const double second = (sampleRate / 30) * 30.03;
    const CountingUnits units{3600 * second, 60 * second, second, second / 30};
    return units.usable() ? countDown(samples, units) : kZeroTimecode;
}

std::string wholeFrameRate(double samples, std::int32_t sampleRate, int framesPerSecond) {
    const std::int32_t frame = sampleRate / framesPerSecond;
    if (frame <= 0) {
        return kZeroTimecode;
    }
    const double x = samples / frame;
    if (x - std::floor(x) >= 0.5) {
        samples += frame * 0.5;
    }
    // Exact products: at 768 kHz an hour of samples no longer fits 32 bits.
    const double second = sampleRate;
    const CountingUnits units{second * 3600, second * 60, second, static_cast<double>(frame)};
    return units.usable() ? countDown(samples, units) : kZeroTimecode;
}

// 128 bits: a 64-bit position times a 60000 numerator does not fit 64.
__extension__ using Wide = unsigned __int128;

// The rates added since the four above count exactly: the frame the sample falls in is
// floor(samples x rate / sampleRate), in 128 bits so that no position overflows, then wrapped
// within the day.
std::string exactRate(std::uint64_t sampleNumber, std::int32_t sampleRate, BwfFrameRate rate) {
    const Rational frameRate = rate.tvSystem().frameRate();
    if (sampleRate <= 0) {
        return kZeroTimecode;
    }
    const TimeCodeDef def = rate.tvSystem().timeCodeDef(rate.dropFrame());
    const Wide numerator = Wide{sampleNumber} * static_cast<Wide>(frameRate.numerator);
    const Wide denominator =
        static_cast<Wide>(sampleRate) * static_cast<Wide>(frameRate.denominator);
    const auto frame =
        static_cast<std::int64_t>(numerator / denominator % static_cast<Wide>(framesPerDay(def)));
    return timeCodeText(timeCodeRecord(frame, def), def.dropFrame());
}

} // namespace

std::string frames2tc(std::uint64_t sampleNumber, std::int32_t sampleRate, BwfFrameRate rate) {
    const auto samples = static_cast<double>(sampleNumber);
    switch (rate.kind()) {
    case BwfFrameRate::Kind::NtscDf:
        return ntscDropFrame(samples, sampleRate);
    case BwfFrameRate::Kind::NtscNdf:
        return ntscNonDrop(samples, sampleRate);
    case BwfFrameRate::Kind::Pal:
    case BwfFrameRate::Kind::FromRecorder:
        return wholeFrameRate(samples, sampleRate, 25);
    case BwfFrameRate::Kind::Film24:
        return wholeFrameRate(samples, sampleRate, 24);
    default:
        return exactRate(sampleNumber, sampleRate, rate);
    }
}

std::string frames2tc(std::uint64_t sampleNumber, std::int32_t sampleRate,
                      std::string_view bwfFpsRate) {
    const auto rate = BwfFrameRate::parse(bwfFpsRate);
    return rate ? frames2tc(sampleNumber, sampleRate, *rate) : kZeroTimecode;
}

} // namespace korvel
