// SPDX-License-Identifier: MIT
// Movies made by ffmpeg get timecode tracks from us; ffprobe and mediainfo must read back what we
// wrote, the media must be untouched and ffmpeg must still decode every frame alike.

#include "../audio/wave_builder.h"
#include "faulty_disks.h"
#include "qtff/movie_file.h"
#include "support/outside_tools.h"
#include "timecode/timecode.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>

namespace korvel::qtff {
namespace {

using test::runCommand;
using test::shellQuote;
using test::valueOf;

struct TvCase {
    const char* tvSystem;
    bool dropFrame;
    const char* start;
    const char* rate; // as ffprobe gives it, from the timecode's media time scale
};

const TvCase kTvCases[] = {
    {"PAL", false, "01:00:00:00", "25/1"},
    {"24 fps", false, "10:59:59:23", "24/1"},
    {"NTSC", false, "00:59:59:29", "2997/100"},
    {"NTSC", true, "01:00:00;00", "2997/100"},
};

TimecodeTrackOptions optionsFor(const TvCase& c, const std::string& reel) {
    const auto system = *tvSystemFromName(c.tvSystem);
    const auto def = timeCodeDef(system, c.dropFrame);
    TimecodeTrackOptions o;
    o.format = {def.flags, def.fTimeScale, def.frameDuration, def.numFrames};
    o.startFrame = std::int32_t(frameNumber(*parseTimeCodeFields(c.start), def));
    o.reelName = reel;
    return o;
}

std::string framesDigest(const std::string& path) {
    auto r = runCommand("ffmpeg -v error -i " + shellQuote(path) +
                        " -map 0:v? -map 0:a? -f framemd5 - 2>&1");
    EXPECT_EQ(r.status, 0) << r.output;
    return r.output;
}

struct Judgement {
    std::string ffprobeTimecode, ffprobeReel, ffprobeRate, mediainfoTimecode, mediainfoReel;
    double seconds = 0;
    int tmcdStreams = 0;
};

Judgement judge(const std::string& path, bool withMediainfo = true) {
    Judgement j;
    auto probe = runCommand("ffprobe -v error -select_streams d -show_entries "
                            "stream=codec_tag_string,avg_frame_rate,duration"
                            ":stream_tags=timecode,reel_name -of default=noprint_wrappers=1 " +
                            shellQuote(path));
    for (std::size_t at = 0;
         (at = probe.output.find("codec_tag_string=tmcd", at)) != std::string::npos; ++at)
        ++j.tmcdStreams;
    j.ffprobeTimecode = valueOf(probe.output, "TAG:timecode");
    j.ffprobeReel = valueOf(probe.output, "TAG:reel_name");
    j.ffprobeRate = valueOf(probe.output, "avg_frame_rate");
    j.seconds = std::atof(valueOf(probe.output, "duration").c_str());
    if (!withMediainfo)
        return j;
    const auto info = runCommand(
        "mediainfo --Output='Other;kind=%Type%\\ntc=%TimeCode_FirstFrame%\\nreel=%Title%\\n' " +
        shellQuote(path));
    if (valueOf(info.output, "kind") == "Time code") {
        j.mediainfoTimecode = valueOf(info.output, "tc");
        j.mediainfoReel = valueOf(info.output, "reel");
    }
    return j;
}

// Puts a 64-bit 'free' atom past 4 GiB at the end of the file, its bytes a hole in the file, so
// that what is appended next lies beyond 32-bit offsets.
void growPast4GiB(const std::string& path) {
    const auto size = std::filesystem::file_size(path);
    const std::uint64_t freeSize = (std::uint64_t(1) << 32) + (1 << 20);
    ByteWriter h;
    h.u32(1);
    h.fourCC(fourCC("free"));
    h.u64(freeSize);
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(h.data().data()), 16);
    std::filesystem::resize_file(path, size + freeSize);
}

class ToolJudged : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::haveProgram("ffmpeg") || !test::haveProgram("ffprobe") ||
            !test::haveProgram("mediainfo"))
            GTEST_SKIP() << "ffmpeg, ffprobe or mediainfo is not installed";
    }
    test::TempDir m_dir{"korvel-qtff-judged"};
};

struct MovieKind {
    const char* name;
    const char* inputs;
    bool faststart;
    // Each kind is judged under one TV system, so that every system meets video and sound-only
    // movies while the test stays quick.
    int tvCase;
    double seconds;          // how long the timecode lasts: the picture, else the whole movie
    bool beyond4GiB = false; // the timecode's sample goes past 4 GiB
};

// The sound outlasts the picture where there is both.
const MovieKind kKinds[] = {
    {"video-sound-last",
     "-f lavfi -i testsrc=size=64x48:rate=25:duration=0.4 -f lavfi -i sine=duration=1", false, 0,
     0.4},
    {"video-sound-first",
     "-f lavfi -i testsrc=size=64x48:rate=25:duration=0.4 -f lavfi -i sine=duration=1", true, 3,
     0.4},
    {"video-last", "-f lavfi -i testsrc=size=64x48:rate=24:duration=0.5", false, 1, 0.5},
    {"video-first", "-f lavfi -i testsrc=size=64x48:rate=30000/1001:duration=0.4", true, 2, 0.4},
    {"sound-last", "-f lavfi -i sine=duration=0.4:sample_rate=48000", false, 3, 0.4},
    {"sound-first", "-f lavfi -i sine=duration=0.4:sample_rate=44100", true, 1,
     10 / 24.0}, // whole frames of the timecode
    {"beyond-4GiB", "-f lavfi -i testsrc=size=64x48:rate=25:duration=0.4", false, 3, 0.4, true},
};

std::string makeMovie(const test::TempDir& dir, const MovieKind& kind) {
    const auto path = dir.file(std::string(kind.name) + ".mov");
    auto r = runCommand(
        std::string("ffmpeg -v error -y ") + kind.inputs + " -c:v mpeg4 -c:a pcm_s16le " +
        (kind.faststart ? "-movflags +faststart " : "") + shellQuote(path) + " 2>&1");
    EXPECT_EQ(r.status, 0) << r.output;
    if (kind.beyond4GiB)
        growPast4GiB(path);
    return path;
}

TEST_F(ToolJudged, ReadsBackTimecodeAndReelOfEveryKindAndSystem) {
    for (const auto& kind : kKinds) {
        const auto& tv = kTvCases[kind.tvCase];
        SCOPED_TRACE(std::string(kind.name) + " " + tv.tvSystem + (tv.dropFrame ? " DF" : ""));
        const auto path = makeMovie(m_dir, kind);
        const auto frames = framesDigest(path);
        {
            auto movie = MovieFile::open(path, OpenMode::ReadWrite);
            ASSERT_TRUE(movie.ok()) << movie.error().message;
            auto status = movie->addTimecodeTrack(optionsFor(tv, "A001_C002"));
            ASSERT_TRUE(status.ok()) << status.error().message;
            EXPECT_EQ(movie->movie().tracks()->back().chunkOffsets64, kind.beyond4GiB);
        }
        const auto j = judge(path);
        EXPECT_EQ(j.tmcdStreams, 1);
        EXPECT_EQ(j.ffprobeTimecode, tv.start);
        EXPECT_EQ(j.ffprobeReel, "A001_C002");
        EXPECT_EQ(j.ffprobeRate, tv.rate);
        EXPECT_NEAR(j.seconds, kind.seconds, 0.002);
        EXPECT_EQ(j.mediainfoTimecode, tv.start);
        EXPECT_EQ(j.mediainfoReel, "A001_C002");
        EXPECT_EQ(framesDigest(path), frames) << "decoded frames differ";

        auto movie = MovieFile::open(path, OpenMode::ReadWrite);
        ASSERT_TRUE(movie.ok());
        ASSERT_EQ(*movie->deleteTimecodeTracks(), 1);
        const auto gone = judge(path);
        EXPECT_EQ(gone.tmcdStreams, 0);
        EXPECT_EQ(gone.mediainfoTimecode, "");
        EXPECT_EQ(framesDigest(path), frames);
    }
}

// A power cut during a replacement (as `korvel tc add --replace` makes it) and during a delete:
// ffprobe must find the old or the new timecode in every disk state the cut could leave.
TEST_F(ToolJudged, PowerCutLeavesTheOldOrTheNewTimecode) {
    const auto path = makeMovie(m_dir, kKinds[1]);
    {
        auto movie = MovieFile::open(path, OpenMode::ReadWrite);
        ASSERT_TRUE(movie->addTimecodeTrack(optionsFor(kTvCases[0], "OLD")).ok());
    }
    auto replacement = optionsFor(kTvCases[1], "NEW");
    replacement.replaceExisting = true;
    auto start = test::readFile(path);
    for (const bool replacing : {true, false}) {
        SCOPED_TRACE(replacing ? "replacing" : "deleting");
        auto recording = std::make_unique<testing::RecordingFile>(start);
        auto* disk = recording.get();
        auto movie = MovieFile::open(std::move(recording));
        ASSERT_TRUE(movie.ok());
        ASSERT_TRUE(replacing ? movie->addTimecodeTrack(replacement).ok()
                              : movie->deleteTimecodeTracks().ok());
        const auto states = testing::powerCutStates(start, disk->log());
        const auto cut = m_dir.file("cut.mov");
        for (const auto& state : states) {
            test::writeFile(cut, state);
            const auto j = judge(cut, false);
            const bool old =
                j.ffprobeTimecode == "01:00:00:00" && j.ffprobeReel == "OLD" && j.tmcdStreams == 1;
            const bool none = j.ffprobeTimecode.empty() && j.tmcdStreams == 0;
            const bool fresh =
                j.ffprobeTimecode == "10:59:59:23" && j.ffprobeReel == "NEW" && j.tmcdStreams == 1;
            EXPECT_TRUE(replacing ? (old || fresh) : (fresh || none))
                << j.ffprobeTimecode << " " << j.ffprobeReel << " " << j.tmcdStreams;
        }
        start = disk->bytes();
    }
}

TEST(Corpus, ReadsEveryCorpusMovieAndItsTimecode) {
    const std::filesystem::path dir = std::filesystem::path(KORVEL_CORPUS_DIR) / "mov";
    if (!std::filesystem::exists(dir))
        GTEST_SKIP() << "no corpus at " << dir;
    const std::set<std::string> startingAtOneHour{"linear_speed_effects_aaf.mov",
                                                  "misc_speed_effects_aaf.mov"};
    int read = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const auto ext = entry.path().extension().string();
        if (ext != ".mov" && ext != ".mp4")
            continue;
        SCOPED_TRACE(entry.path().string());
        auto movie = MovieFile::open(entry.path().string(), OpenMode::ReadOnly);
        ASSERT_TRUE(movie.ok()) << movie.error().message;
        EXPECT_FALSE(movie->movie().tracks()->empty());
        auto tc = movie->readTimecode();
        ASSERT_TRUE(tc.ok());
        ASSERT_EQ(tc->has_value(), startingAtOneHour.count(entry.path().filename().string()) > 0);
        if (tc->has_value()) {
            const auto& f = (*tc)->description.format;
            const TimeCodeDef def{f.flags, f.timeScale, f.frameDuration, f.numFrames, 0};
            EXPECT_EQ(timeCodeText(timeCodeRecord((*tc)->startFrame.value(), def), false),
                      "01:00:00:00");
        }
        ++read;
    }
    EXPECT_GE(read, 5);
}

} // namespace
} // namespace korvel::qtff
