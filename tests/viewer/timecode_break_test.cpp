// SPDX-License-Identifier: MIT
// A timecode track of two samples (a break in the timecode halfway through the movie), opened
// in the viewer: the readout on each side of the break names its own sample's timecode.
#include "qtff/atom.h"
#include "qtff/atoms/chunk_offset_atom.h"
#include "qtff/atoms/hdlr_atom.h"
#include "qtff/atoms/sample_table_atoms.h"
#include "qtff/atoms/stsz_atom.h"
#include "qtff/byte_writer.h"
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

qtff::Atom* timecodeSampleTable(qtff::Atom& moov) {
    for (auto& trak : moov.children) {
        auto* mdia = trak.child(fourCC("mdia"));
        const auto* hdlr = mdia ? mdia->child(fourCC("hdlr")) : nullptr;
        if (hdlr && qtff::HdlrAtom::parse(hdlr->payload)->subtype == fourCC("tmcd"))
            return mdia->find({fourCC("minf"), fourCC("stbl")});
    }
    return nullptr;
}

// ffmpeg writes one timecode sample for the whole movie, and the header last. The sample table is
// rewritten to two samples of half the track each; the second sample's frame number goes in a
// media atom of its own after the header, so no other offset moves.
bool splitTimecodeSample(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    qtff::MemoryFile mem(file);
    const auto header = qtff::scanFile(mem)->atoms.back();
    auto moov = qtff::parseAtom(std::span(file).subspan(header.offset, header.size));
    qtff::Atom* stbl = moov ? timecodeSampleTable(*moov) : nullptr;
    if (header.type != fourCC("moov") || !stbl)
        return false;
    const auto trackDuration =
        qtff::SttsAtom::parse(stbl->child(fourCC("stts"))->payload)->entries.at(0)[1];
    const auto firstOffset =
        qtff::ChunkOffsetAtom::parse(fourCC("stco"), stbl->child(fourCC("stco"))->payload)
            ->offsets.at(0);
    const std::uint32_t firstHalf = trackDuration * kFramesBeforeBreak / kFrames;
    const auto setTable = [stbl](const auto& table) {
        *stbl->child(table.type()) = qtff::toAtom(table);
    };
    setTable(qtff::SttsAtom{0, {{1, firstHalf}, {1, trackDuration - firstHalf}}});
    setTable(qtff::StszAtom{0, 4, 2, {}});
    setTable(qtff::StscAtom{0, {{1, 1, 1}}});
    setTable(qtff::ChunkOffsetAtom::of({firstOffset, 0}));
    const auto secondOffset = header.offset + qtff::atomSize(*moov) + 8;
    setTable(qtff::ChunkOffsetAtom::of({firstOffset, secondOffset}));

    std::vector<std::uint8_t> out(file.begin(), file.begin() + std::ptrdiff_t(header.offset));
    qtff::ByteWriter tail;
    tail.bytes(qtff::atomBytes(*moov));
    tail.u32(12);
    tail.fourCC(fourCC("mdat"));
    tail.u32(kSecondSampleFrame);
    out.insert(out.end(), tail.data().begin(), tail.data().end());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return true;
}

TEST(ViewerTimecodeBreak, ReadoutNamesTheSampleOnEachSideOfTheBreak) {
    const auto path = test::makeMovieCodedWith(
        korvel::test::processScratch("korvel-viewer-break"), "break.mov", "25", 4.0,
        "-c:v libx264 -g 12 -bf 2 -pix_fmt yuv420p -timecode 01:00:00:00");
    if (path.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_TRUE(splitTimecodeSample(path));

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
