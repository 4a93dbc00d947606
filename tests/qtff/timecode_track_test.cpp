// SPDX-License-Identifier: MIT
#include "qtff/timecode_track.h"
#include "test_movies.h"

#include <gtest/gtest.h>
#include <tuple>

namespace korvel::qtff {
namespace {

Movie movieOf(const testing::TestMovieOptions& options) {
    const auto file = testing::makeTestMovie(options);
    MemoryFile mem(file);
    const auto moov = scanFile(mem)->atoms.back();
    return *Movie::parse(std::span(file.data() + moov.offset, moov.size));
}

const TimecodeFormat kPal{2, 25, 1, 25};
const TimecodeFormat kNtscDrop{3, 2997, 100, 30};

TEST(TimecodeTrack, IsLaidOutAsTheToolWritesIt) {
    Movie movie = movieOf({});
    auto id = addTimecodeTrack(movie, {kNtscDrop, 107892, "A001"}, 0x12345678);
    ASSERT_TRUE(id.ok()) << id.error().message;
    EXPECT_EQ(*id, 3u);
    EXPECT_EQ(movie.header()->nextTrackId, 4u);
    auto tracks = movie.tracks();
    ASSERT_TRUE(tracks.ok()) << tracks.error().message;
    ASSERT_EQ(tracks->size(), 3u);
    const auto& tc = (*tracks)[2];
    EXPECT_EQ(tc.handlerType, fourCC("tmcd"));
    EXPECT_FALSE(tc.enabled());
    EXPECT_EQ(tc.volume, 0);
    ASSERT_EQ(tc.edits.size(), 1u);
    EXPECT_EQ(tc.edits[0].mediaTime, 0);
    EXPECT_EQ(tc.edits[0].mediaRate, 0x10000);
    EXPECT_EQ(tc.sampleCount, 1u);
    EXPECT_EQ(tc.uniformSampleSize, 4u);
    EXPECT_EQ(tc.chunkOffsets, std::vector<std::uint64_t>{0x12345678});
    EXPECT_FALSE(tc.chunkOffsets64);
    ASSERT_EQ(tc.sampleDescriptions.size(), 1u);
    auto d = TimecodeSampleEntry::parse(tc.sampleDescriptions[0].bytes);
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d->format, kNtscDrop);
    EXPECT_EQ(d->reelName, "A001");
    EXPECT_EQ(timecodeSample(107892), (std::array<std::uint8_t, 4>{0x00, 0x01, 0xA5, 0x74}));
}

// The media counts in the timecode's time scale and lasts, like the track, as long as the
// picture (the whole movie without one), rounded up to whole units of that scale. The picture
// (else the sound) refers to it and lends it its size.
TEST(TimecodeTrack, FollowsThePictureElseTheSound) {
    const TimecodeFormat film{2, 24, 1, 24};
    // Each case: the movie, the timecode format, the track's and the media's durations.
    const std::tuple<testing::TestMovieOptions, TimecodeFormat, std::uint64_t, std::uint64_t>
        cases[] = {
            {{.duration = 3000, .videoDuration = 1200}, kPal, 1200, 50}, // 2 s picture, 5 s sound
            {{.duration = 3000, .videoDuration = 1200}, kNtscDrop, 1200, 5994},
            {{.video = false, .duration = 3000}, film, 3000, 120}, // sound only: the whole movie
            {{.timeScale = 30000, .duration = 60060}, kNtscDrop, 60060, 6000},
            {{.timeScale = 1000, .duration = 1001}, kPal, 1001, 26}, // a frame begun counts whole
            {{.timeScale = 600, .duration = 0}, film, 0, 0},
            {{.video = false, .sound = false}, kPal, 1200, 50},
        };
    for (const auto& [options, format, trackDuration, mediaDuration] : cases) {
        Movie movie = movieOf(options);
        ASSERT_TRUE(addTimecodeTrack(movie, {format, 0, "R"}, 100).ok());
        const auto tracks = *movie.tracks();
        const auto& tc = tracks.back();
        SCOPED_TRACE(std::to_string(options.duration) + " @" + std::to_string(options.timeScale));
        EXPECT_EQ(tc.duration, trackDuration);
        EXPECT_EQ(tc.edits.at(0).segmentDuration, trackDuration);
        EXPECT_EQ(tc.mediaTimeScale, std::uint32_t(format.timeScale));
        EXPECT_EQ(tc.mediaDuration, mediaDuration);
        EXPECT_EQ(tc.timeToSample,
                  (std::vector<std::array<std::uint32_t, 2>>{{1, std::uint32_t(mediaDuration)}}));
        EXPECT_EQ(tc.width, options.video ? 320u << 16 : 0u);
        EXPECT_EQ(tc.height, options.video ? 240u << 16 : 0u);
        const bool referred = options.video || options.sound;
        EXPECT_EQ(tracks.front().references.size(), referred ? 1u : 0u);
        for (std::size_t i = 1; i < tracks.size(); ++i)
            EXPECT_TRUE(tracks[i].references.empty()) << "only the first track refers to it";
    }
}

// Whatever IDs the tracks hold (and whatever the header says comes next), the new track takes
// one no other track holds.
TEST(TimecodeTrack, NewTrackTakesAnUnusedId) {
    constexpr std::uint32_t kLast = 0xFFFFFFFFu;
    // Each case: the picture's, the sound's and the next track ID, and the ID and next ID after.
    const std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>
        cases[] = {
            {1, 2, 10, 10, 11},      // the header's next ID is kept
            {5, 9, 3, 10, 11},       // a stale next ID is passed by
            {1, kLast, 3, 2, kLast}, // nothing above the highest: the lowest free one
            {kLast, 1, kLast, 2, kLast}, {2, kLast, 0, 1, kLast}, {7, 8, kLast, kLast, kLast},
        };
    for (const auto& [videoId, soundId, nextId, expectedId, expectedNext] : cases) {
        Movie movie =
            movieOf({.videoTrackId = videoId, .soundTrackId = soundId, .nextTrackId = nextId});
        auto id = addTimecodeTrack(movie, {kPal, 0, "R"}, 100);
        SCOPED_TRACE(std::to_string(videoId) + "," + std::to_string(soundId) + " next " +
                     std::to_string(nextId));
        ASSERT_TRUE(id.ok()) << id.error().message;
        EXPECT_EQ(*id, expectedId);
        EXPECT_EQ(movie.header()->nextTrackId, expectedNext);
        EXPECT_EQ(movie.tracks()->front().references.at(0).trackIds,
                  std::vector<std::uint32_t>{*id});
    }
}

TEST(TimecodeTrack, DeleteAndReplaceRemoveEveryTimecodeTrackAndReference) {
    Movie movie = movieOf({});
    const auto original = movie.bytes();
    ASSERT_TRUE(addTimecodeTrack(movie, {kPal, 1, "A"}, 100).ok());
    ASSERT_TRUE(addTimecodeTrack(movie, {kPal, 2, "B"}, 200).ok());
    EXPECT_EQ(movie.tracks()->front().references[0].trackIds, (std::vector<std::uint32_t>{3, 4}));
    TimecodeTrackOptions replace{kPal, 2, "NEW"};
    replace.replaceExisting = true;
    ASSERT_EQ(*addTimecodeTrack(movie, replace, 300), 5u);
    EXPECT_EQ(timecodeTrackIds(movie), std::vector<std::uint32_t>{5});
    EXPECT_EQ(movie.tracks()->front().references[0].trackIds, std::vector<std::uint32_t>{5});
    EXPECT_EQ(deleteTimecodeTracks(movie), 1);
    EXPECT_TRUE(timecodeTrackIds(movie).empty());
    // Apart from the next track ID, the header is as it was, byte for byte.
    ASSERT_TRUE(movie.setNextTrackId(3).ok());
    EXPECT_EQ(movie.bytes(), original);
    EXPECT_EQ(deleteTimecodeTracks(movie), 0);
}

TEST(TimecodeSampleEntry, CutsLongReelNamesAndReadsWhatOtherWritersLeave) {
    auto reelOf = [](std::vector<std::uint8_t> bytes) {
        return TimecodeSampleEntry::parse(bytes)->reelName;
    };
    EXPECT_EQ(reelOf(TimecodeSampleEntry{1, kPal, true, std::string(300, 'x')}.bytes()),
              std::string(255, 'x'));
    // Three reserved bytes after the frame count instead of one.
    auto entry = TimecodeSampleEntry{1, kPal, true, "REEL"}.bytes();
    entry.insert(entry.begin() + 34, {0, 0});
    entry[3] = std::uint8_t(entry.size());
    EXPECT_EQ(reelOf(entry), "REEL");
    // A name with a zero byte ends there.
    EXPECT_EQ(reelOf(TimecodeSampleEntry{1, kPal, true, std::string("AB\0C", 4)}.bytes()), "AB");
}

} // namespace
} // namespace korvel::qtff
