// SPDX-License-Identifier: MIT
// A timecode track of two samples (a break in the timecode halfway through the movie), opened
// in the viewer: the readout on each side of the break names its own sample's timecode.
#include "qtff/atom.h"
#include "viewer_fixture.h"

#include <fstream>
#include <iterator>

namespace korvel::viewer {
namespace {

namespace fs = std::filesystem;
using qtff::fourCC;

constexpr std::int64_t kFrames = 100;
constexpr std::int64_t kFramesBeforeBreak = 50;
constexpr std::uint32_t kSecondSampleFrame = 10 * 3600 * 25; // 10:00:00:00 at 25 fps

void putWord(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

std::uint32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t(bytes.at(at)) << 24 | std::uint32_t(bytes.at(at + 1)) << 16 |
           std::uint32_t(bytes.at(at + 2)) << 8 | bytes.at(at + 3);
}

std::vector<std::uint8_t> table(std::initializer_list<std::uint32_t> words) {
    std::vector<std::uint8_t> out;
    for (const auto word : words)
        putWord(out, word);
    return out;
}

qtff::Atom* timecodeSampleTable(qtff::Atom& moov) {
    for (auto& trak : moov.children) {
        auto* stbl = trak.find({fourCC("mdia"), fourCC("minf"), fourCC("stbl")});
        const auto* stsd = stbl ? stbl->child(fourCC("stsd")) : nullptr;
        if (stsd && stsd->payload.size() >= 16 && wordAt(stsd->payload, 12) == fourCC("tmcd"))
            return stbl;
    }
    return nullptr;
}

// ffmpeg writes one timecode sample for the whole movie. Its sample table is rewritten to two
// samples of half the track each; the second sample's frame number goes in a media atom of its
// own after the header (the header comes last, so no other offset moves).
bool splitTimecodeSample(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    std::size_t at = 0;
    while (at + 8 <= file.size() && wordAt(file, at + 4) != fourCC("moov"))
        at += wordAt(file, at);
    if (at + 8 > file.size())
        return false;
    const std::size_t moovSize = wordAt(file, at);
    auto moov = qtff::parseAtom(std::span(file).subspan(at, moovSize));
    qtff::Atom* stbl = moov ? timecodeSampleTable(*moov) : nullptr;
    if (!stbl)
        return false;
    auto& stts = stbl->child(fourCC("stts"))->payload;
    auto& stco = stbl->child(fourCC("stco"))->payload;
    const std::uint32_t trackDuration = wordAt(stts, 12);
    const std::uint32_t firstOffset = wordAt(stco, 8);
    const std::uint32_t firstHalf = trackDuration * kFramesBeforeBreak / kFrames;
    stts = table({0, 2, 1, firstHalf, 1, trackDuration - firstHalf});
    stbl->child(fourCC("stsz"))->payload = table({0, 4, 2});
    stbl->child(fourCC("stsc"))->payload = table({0, 1, 1, 1, 1});
    stco = table({0, 2, firstOffset, 0});
    const std::size_t tail = at + moovSize;
    const auto secondOffset = std::uint32_t(at + qtff::atomSize(*moov) + (file.size() - tail) + 8);
    stco = table({0, 2, firstOffset, secondOffset});

    std::vector<std::uint8_t> out(file.begin(), file.begin() + std::ptrdiff_t(at));
    const auto header = qtff::atomBytes(*moov);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), file.begin() + std::ptrdiff_t(tail), file.end());
    const auto media = table({12, fourCC("mdat"), kSecondSampleFrame});
    out.insert(out.end(), media.begin(), media.end());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return true;
}

TEST(ViewerTimecodeBreak, ReadoutNamesTheSampleOnEachSideOfTheBreak) {
    if (!korvel::test::haveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    const auto path = (korvel::test::processScratch("korvel-viewer-break") / "break.mov").string();
    ASSERT_EQ(korvel::test::runCommand(
                  "ffmpeg -v error -y -f lavfi -i testsrc=size=64x36:rate=25:duration=4 "
                  "-c:v libx264 -g 12 -bf 2 -pix_fmt yuv420p -timecode 01:00:00:00 " +
                  korvel::test::shellQuote(path))
                  .status,
              0);
    ASSERT_TRUE(splitTimecodeSample(path));
    if (korvel::test::haveProgram("ffprobe")) {
        const auto probed = korvel::test::commandOutput(
            "ffprobe -v error -select_streams d -show_entries stream_tags=timecode -of "
            "default=nw=1 " +
            korvel::test::shellQuote(path));
        EXPECT_NE(probed.find("timecode=01:00:00:00"), std::string::npos) << probed;
    }

    test::ControllerRig rig;
    rig.prefs.setString("TVSys", "PAL");
    ASSERT_TRUE(rig.controller.openPath(path));
    ASSERT_TRUE(rig.controller.isTCMovie());
    auto& controller = rig.controller;
    const std::int64_t unitsPerFrame = controller.player()->timeScale() / 25;
    struct Stop {
        const char* how;
        std::function<void()> move;
        const char* readout;
    };
    auto jumpTo = [&](std::int64_t frame) {
        return
            [&controller, unitsPerFrame, frame] { controller.movieSlider(frame * unitsPerFrame); };
    };
    const Stop stops[] = {
        {"first frame", jumpTo(0), "01:00:00:00"},
        {"last frame of the first sample", jumpTo(kFramesBeforeBreak - 1), "01:00:01:24"},
        {"step over the break", [&] { controller.stepfwdMovie(); }, "10:00:00:00"},
        {"step back over it", [&] { controller.stepbackMovie(); }, "01:00:01:24"},
        {"second sample, one frame in", jumpTo(kFramesBeforeBreak + 1), "10:00:00:01"},
        {"end", [&] { controller.ffwdMovie(); }, "10:00:01:24"},
        {"start", [&] { controller.rewMovie(); }, "01:00:00:00"},
    };
    for (const Stop& stop : stops) {
        stop.move();
        EXPECT_EQ(rig.display.state.readout, stop.readout) << stop.how;
    }
}

} // namespace
} // namespace korvel::viewer
