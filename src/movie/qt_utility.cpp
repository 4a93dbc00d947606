// SPDX-License-Identifier: MIT
#include "movie/qt_utility.h"

#include "qtff/movie_file.h"
#include "timecode/tv_system.h"

#include <cmath>
#include <cstdio>

namespace korvel {
namespace {

constexpr std::string_view kErrorOpening = "Error opening file...";
constexpr std::string_view kErrorMakingMovie = "Error making new movie...";

// Opens the file, then the movie in it, telling the console which of the two failed.
Result<qtff::MovieFile> openMovie(Console& console, const std::string& path, qtff::OpenMode mode) {
    auto file = qtff::openFile(path, mode);
    if (!file) {
        console.diagnostic(kErrorOpening);
        return file.error();
    }
    auto movie = qtff::MovieFile::open(std::move(*file));
    if (!movie) {
        console.diagnostic(kErrorMakingMovie);
        return makeError(path + ": " + movie.error().message);
    }
    return movie;
}

std::uint8_t looseField(std::string_view text, std::size_t at) {
    if (at >= text.size())
        return 0;
    const auto field = text.substr(at, 2);
    unsigned value = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + unsigned(c - '0');
    }
    return std::uint8_t(value);
}

qtff::TimecodeFormat formatOf(const TimeCodeDef& def) {
    return {def.flags, def.fTimeScale, def.frameDuration, def.numFrames};
}

} // namespace

TimeCodeRecord looseTimeCodeFields(std::string_view text) {
    return {looseField(text, 0), looseField(text, 3), looseField(text, 6), looseField(text, 9)};
}

bool QT_Utility::ZAN_CheckTCTrack(const std::string& moviePath) {
    const auto has = hasTimecodeTrack(moviePath);
    return has && *has;
}

Result<bool> QT_Utility::hasTimecodeTrack(const std::string& moviePath) {
    auto movie = openMovie(m_console, moviePath, qtff::OpenMode::ReadOnly);
    if (!movie)
        return movie.error();
    return !qtff::timecodeTrackIds(movie->movie()).empty();
}

Status QT_Utility::ZAN_AddTCTrack(const AddTCTrackOptions& options) {
    const auto system = tvSystemFromName(options.tvsys);
    if (!system)
        return makeError("\"" + options.tvsys + "\" is not one of the TV systems " +
                         TvSystem::choicesText());
    const TimeCodeDef def = timeCodeDef(*system, options.dfValue);
    const TimeCodeRecord record = looseTimeCodeFields(options.tcValue);

    auto movie = openMovie(m_console, options.moviePath, qtff::OpenMode::ReadWrite);
    if (!movie)
        return movie.error();

    if (options.refuseExisting && !options.replaceExisting &&
        !qtff::timecodeTrackIds(movie->movie()).empty()) {
        return makeError(std::string(kHasTimecodeTrack), ErrorKind::HasTimecodeTrack);
    }
    qtff::TimecodeTrackOptions track;
    track.format = formatOf(def);
    track.startFrame = std::int32_t(frameNumber(record, def));
    track.reelName = options.sourceValue;
    track.replaceExisting = options.replaceExisting;
    if (auto s = movie->addTimecodeTrack(track); !s) {
        m_console.diagnostic("error updating file..");
        return s;
    }
    return {};
}

Status QT_Utility::ZAN_DeleteTCTrack(const std::string& moviePath) {
    auto file = qtff::openFile(moviePath, qtff::OpenMode::ReadWrite);
    if (!file) {
        m_ui.beep();
        return file.error();
    }
    auto movie = qtff::MovieFile::open(std::move(*file));
    if (!movie) {
        m_ui.beep();
        return makeError(moviePath + ": " + movie.error().message);
    }
    if (auto removed = movie->deleteTimecodeTracks(); !removed) {
        m_console.diagnostic("error closing file..");
        return removed.error();
    }
    return {};
}

std::string QT_Utility::ZAN_ReadSource(const std::string& moviePath) {
    auto reading = readTimecodeTrack(moviePath);
    return reading ? reading->reelName : std::string(kNoSourceId);
}

std::optional<TimecodeStart> QT_Utility::readStartTimecode(const std::string& moviePath) {
    auto reading = readTimecodeTrack(moviePath);
    return reading ? reading->start : std::nullopt;
}

Result<TimecodeReading> QT_Utility::readTimecodeTrack(const std::string& moviePath) {
    auto file = qtff::openFile(moviePath, qtff::OpenMode::ReadOnly);
    if (!file)
        return file.error();
    auto movie = qtff::MovieFile::open(std::move(*file));
    if (!movie)
        return makeError(moviePath + ": " + movie.error().message);
    auto tc = movie->readTimecode();
    if (!tc)
        return makeError(moviePath + ": " + tc.error().message);
    TimecodeReading reading{std::nullopt, std::string(kNoSourceId)};
    if (!tc->has_value() || !(*tc)->startFrame)
        return reading;
    reading.reelName = (*tc)->description.reelName;
    const auto& f = (*tc)->description.format;
    if (f.numFrames == 0)
        return reading;
    const TimeCodeDef def{f.flags, f.timeScale, f.frameDuration, f.numFrames, 0};
    TimecodeStart start;
    start.frameNumber = *(*tc)->startFrame;
    start.text = timeCodeText(timeCodeRecord(start.frameNumber, def), def.dropFrame());
    reading.start = start;
    return reading;
}

std::int32_t timeScale(const qtff::Movie& movie) {
    auto header = movie.header();
    return header ? std::int32_t(header->timeScale) : 0;
}

std::optional<Rational> pictureFrameRate(const qtff::Movie& movie) {
    const auto tracks = movie.tracks();
    if (!tracks)
        return std::nullopt;
    for (const auto& t : *tracks) {
        if (t.handlerType != qtff::fourCC("vide") || !t.enabled() || t.timeToSample.empty())
            continue;
        const std::int64_t duration = t.timeToSample.front()[1];
        if (t.mediaTimeScale == 0 || duration == 0)
            return std::nullopt;
        return Rational{static_cast<std::int64_t>(t.mediaTimeScale), duration};
    }
    return std::nullopt;
}

std::optional<std::string> pictureRateNote(const std::string& moviePath, TvSystem system) {
    auto movie = qtff::MovieFile::open(moviePath, qtff::OpenMode::ReadOnly);
    if (!movie)
        return std::nullopt;
    const auto picture = pictureFrameRate(movie->movie());
    if (!picture)
        return std::nullopt;
    const auto perSecond = [](Rational r) { return double(r.numerator) / double(r.denominator); };
    const double pictureFps = perSecond(*picture);
    const double systemFps = perSecond(system.frameRate());
    if (std::abs(pictureFps - systemFps) <= systemFps * 1e-4)
        return std::nullopt;
    char text[160];
    std::snprintf(text, sizeof text,
                  " runs at %.3f fps, but its timecode track counts %s (%.3f fps)", pictureFps,
                  std::string(system.name()).c_str(), systemFps);
    return "Note: the picture of " + moviePath + text;
}

std::string getFPS(const qtff::Movie& movie) {
    // The end of the first frame of the first enabled video track, in movie time units: the
    // empty edits before the media starts, then the first sample's duration.
    const auto header = movie.header();
    const auto tracks = movie.tracks();
    double endOfFirstFrame = -1;
    if (header && tracks) {
        for (const auto& t : *tracks) {
            if (t.handlerType != qtff::fourCC("vide") || !t.enabled() || t.timeToSample.empty() ||
                t.mediaTimeScale == 0)
                continue;
            double start = 0;
            for (const auto& e : t.edits) {
                if (e.mediaTime != -1)
                    break;
                start += double(e.segmentDuration);
            }
            const double frame =
                double(t.timeToSample.front()[1]) * header->timeScale / t.mediaTimeScale;
            endOfFirstFrame = start + std::round(frame);
            break;
        }
    }
    if (endOfFirstFrame <= 0)
        return "NA";
    const float fps = float(timeScale(movie)) / float(endOfFirstFrame);
    if (fps < 0)
        return "NA";
    char text[64];
    std::snprintf(text, sizeof text, "%f", double(fps));
    return text;
}

} // namespace korvel
