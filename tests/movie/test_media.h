// SPDX-License-Identifier: MIT
#pragma once

// Small movies made by ffmpeg and read back by ffprobe and mediainfo: the outside judges of the
// timecode tracks we write.

#include "base/temporary_file.h"
#include "support/outside_tools.h"

#include <filesystem>
#include <string>
#include <vector>

namespace korvel::test {

/// The temporary files a writer left in `folder` (none, once it finished or gave up).
inline int temporariesIn(const std::filesystem::path& folder) {
    int count = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        count += entry.path().filename().string().ends_with(TemporaryFile::kTemporarySuffix);
    }
    return count;
}

enum class MovieKind { Video, VideoAndSound, SoundOnly };

/// Makes a one-second movie; `extra` goes before the output name (e.g. "-movflags +faststart",
/// "-timecode 09:00:00:00"). False when ffmpeg failed.
inline bool makeMovie(const std::string& path, MovieKind kind, const std::string& extra = {}) {
    std::string inputs;
    std::string codecs;
    if (kind != MovieKind::SoundOnly) {
        inputs += " -f lavfi -i testsrc=size=64x64:rate=25";
        codecs += " -c:v mpeg4";
    }
    if (kind != MovieKind::Video) {
        inputs += " -f lavfi -i sine=frequency=440:sample_rate=48000";
        codecs += " -c:a pcm_s16le";
    }
    return std::system(("ffmpeg -v error -y" + inputs + " -t 1" + codecs + " " + extra + " " +
                        shellQuote(path) + " </dev/null")
                           .c_str()) == 0;
}

/// The start timecode and reel name ffprobe reads: its first "timecode" and "reel_name" stream
/// tags, empty when absent.
struct ProbedTimecode {
    std::string timecode;
    std::string reel;
};

inline ProbedTimecode probeTimecode(const std::string& path) {
    const std::string output = commandOutput(
        "ffprobe -v error -show_entries stream_tags=timecode,reel_name -of default=nw=1 " +
        shellQuote(path));
    return {valueOf(output, "TAG:timecode"), valueOf(output, "TAG:reel_name")};
}

/// How many timecode tracks ffprobe sees.
inline int timecodeTrackCount(const std::string& path) {
    const std::string output = commandOutput(
        "ffprobe -v error -show_entries stream=codec_tag_string -of csv=p=0 " + shellQuote(path));
    int count = 0;
    for (std::size_t at = output.find("tmcd"); at != std::string::npos;
         at = output.find("tmcd", at + 4)) {
        ++count;
    }
    return count;
}

/// A hash of every video and sound packet, as ffmpeg reads them.
inline std::string mediaHash(const std::string& path) {
    return commandOutput("ffmpeg -v error -i " + shellQuote(path) +
                         " -map 0:v? -map 0:a? -c copy -f streamhash - </dev/null");
}

/// mediainfo's "Time code of first frame", or empty.
inline std::string mediainfoFirstTimecode(const std::string& path) {
    const std::string output =
        commandOutput("mediainfo --Inform='Other;%TimeCode_FirstFrame%\\n' " + shellQuote(path));
    return output.substr(0, output.find('\n'));
}

} // namespace korvel::test
