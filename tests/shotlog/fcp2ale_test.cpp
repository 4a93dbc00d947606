// SPDX-License-Identifier: MIT
#include "shotlog_test_support.h"

#include <array>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::Fcp2aleRun;

// The ALE heading FCP lists convert to, under a video format and frame rate.
std::string head(std::string_view format, std::string_view fps) {
    return "Heading\rFIELD_DELIM\tTABS\rVIDEO_FORMAT\t" + std::string(format) +
           "\rAUDIO_FORMAT\t48khz\rTAPE\tUnknown\rFPS\t" + std::string(fps) + "\r\rColumn\r";
}
const std::string kPalHead = head("PAL", "25");
const std::string kHeader = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\tComment 1";
const std::string kColumns = "Name\tStart\tEnd\tTracks\tTape\tComment 1\r\rData\r";

std::string row(std::string_view name, std::string_view type, std::string_view tracks = "1V",
                std::string_view audio = "") {
    return std::string(name) + "\t01:00:00:00\t01:00:01:00\t" + std::string(tracks) + "\t" +
           std::string(audio) + "\tR1\t" + std::string(type) + "\tc";
}

std::string aleRow(std::string_view name, std::string_view tracks = "V") {
    return std::string(name) + "\t01:00:00:00\t01:00:01:00\t" + std::string(tracks) + "\tR1\tc\r";
}

Fcp2aleOptions options(bool seperateBins, std::string clipType = "Clips only",
                       std::string tvsys = "PAL") {
    return Fcp2aleOptions{seperateBins, std::move(clipType), std::move(tvsys), "/in/Shoot Day.txt"};
}

using Texts = std::vector<std::string>;

TEST(Fcp2ale, WritesKnownColumnsUnderAleNames) {
    Fcp2aleRun run;
    run.answerPanels(1);
    // The last row needs no line break.
    EXPECT_EQ(
        run.convert(kHeader + "\r" + row("a", "Clip") + "\r" + row("b", "Clip"), options(false)),
        "OK");
    ASSERT_EQ(run.written.size(), 1u);
    EXPECT_EQ(run.written[0].second, kPalHead + kColumns + aleRow("a") + aleRow("b"));
    EXPECT_EQ(run.proposed(), Texts{"Shoot Day"});
    const SavePanel& panel = run.ui.savePanels()[0];
    EXPECT_EQ(panel.title, "Save ALE Log");
    EXPECT_EQ(panel.requiredExtension, "ale");
    EXPECT_EQ(run.prefs.stringOrEmpty("fcp2aleSaveDir"), "/out");
    EXPECT_EQ(run.attributes.codes.size(), 1u);
    EXPECT_EQ(run.attributes.typeCode("/out/0.ale"), FourCharCode::of("TEXT"));
}

TEST(Fcp2ale, HeadNamesTheSystemAndItsRate) {
    const std::pair<std::string, std::string> cases[] = {
        {"NTSC", head("NTSC", "29.97")},
        {"23.976 fps", head("1080", "23.976")},
        {"59.94 fps", head("1080", "59.94")},
        {"50 fps", head("1080", "50")},
    };
    for (const auto& [tvsys, heading] : cases) {
        Fcp2aleRun run;
        EXPECT_EQ(run.ales(kHeader + "\r" + row("a", "Clip"), options(true, "Clips only", tvsys)),
                  Texts{heading + kColumns + aleRow("a")})
            << tvsys;
    }
}

TEST(Fcp2ale, CommentAndMasterCommentGiveTwoColumns) {
    Fcp2aleRun run;
    const std::string header =
        "Type\tLog Note\tName\tMedia Start\tMedia End\tTracks\tAudio\tReel\tComment 1\tMaster "
        "Comment 1\tAux TC 2\tFoo";
    EXPECT_EQ(run.ales(header + "\rClip\tln\tn\ts\te\t2A\t\tr\tc1\tm1\tx\tfoo\r", options(true)),
              Texts{kPalHead +
                    "Log Note\tName\tStart\tEnd\tTracks\tTape\tComment 1\tComment 1\tAuxiliary "
                    "TC2\r\rData\rln\tn\ts\te\tA1A2\tr\tc1\tm1\tx\r"});
}

TEST(Fcp2ale, RewritesTracks) {
    const std::array<std::string, 3> cases[] = {
        {"1V, 2A", "x", "VA1A2"}, {"1V", "A1", "V"},       {"2A", "", "A1A2"},
        {"1V, 1A", "A1", "VA1"},  {"1V, 1A", "A2", "VA2"}, {"1A", "A1", "A1"},
        {"1A", "", "A2"},         {"2V", "A1", ""},        {"1v", "", ""}};
    for (const auto& [tracks, audio, ale] : cases) {
        Fcp2aleRun run;
        EXPECT_EQ(run.ales(kHeader + "\r" + row("a", "Clip", tracks, audio), options(true)),
                  Texts{kPalHead + kColumns + aleRow("a", ale)})
            << tracks;
    }
}

TEST(Fcp2ale, KeepsRowsOfTheChosenClipType) {
    const std::pair<std::string, std::string> cases[] = {
        {"Clips only", aleRow("c")},
        {"SubClips only", aleRow("s")},
        {"Clips & SubClips", aleRow("c") + aleRow("s")},
    };
    for (const auto& [clipType, rows] : cases) {
        Fcp2aleRun run;
        EXPECT_EQ(run.ales(kHeader + "\r" + row("c", "Clip") + "\r" + row("s", "SubClip") + "\r" +
                               row("x", "Sequence") + "\r",
                           options(true, clipType)),
                  Texts{kPalHead + kColumns + rows})
            << clipType;
    }
}

// With separate bins each bin gets an ALE of its own (a blank line starts another); without, one
// ALE holds every row.
TEST(Fcp2ale, SeparateBinsGiveOneAlePerBin) {
    const std::string text = kHeader + "\r" + row("first", "Clip") + "\r" + row("gone", "SubClip") +
                             "\r" + "- Bin A\r" + row("a1", "Clip") + "\r" + row("a2", "Clip") +
                             "\r\r" + row("a3", "Clip") + "\r" + "- Bin B\r" + row("b1", "Clip") +
                             "\r" + row("b2", "SubClip") + "\r" + "- Empty\r";
    const std::string ale = kPalHead + kColumns;
    Fcp2aleRun separate;
    EXPECT_EQ(separate.ales(text, options(true)),
              (Texts{ale + aleRow("first"), ale + aleRow("a1") + aleRow("a2"), ale + aleRow("a3"),
                     ale + aleRow("b1")}));
    EXPECT_EQ(separate.proposed(), (Texts{"Shoot Day", "Bin A", "Bin A", "Bin B"}));
    Fcp2aleRun together;
    EXPECT_EQ(
        together.ales(text, options(false)),
        Texts{ale + aleRow("first") + aleRow("a1") + aleRow("a2") + aleRow("a3") + aleRow("b1")});
    EXPECT_EQ(together.proposed(), Texts{"Shoot Day"});
}

// Final Cut Pro ends its lines in "\r"; a list that passed through another system ends them in
// "\n" or "\r\n", or in a mix, and gives the same logs. A line end inside what was meant as one
// row ends that row, so no ALE ever holds a line end but "\r".
TEST(Fcp2ale, EveryLineEndReadsLikeCarriageReturn) {
    const std::string cases[] = {
        kHeader + "\n" + row("a", "Clip") + "\n- Bin B\n" + row("b", "Clip") + "\n",
        kHeader + "\r\n" + row("a", "Clip") + "\r\n- Bin B\r\n" + row("b", "Clip") + "\r\n",
        kHeader + "\r\n" + row("a", "Clip") + "\n- Bin B\r" + row("b", "Clip"),
        kHeader + "\r" + row("a", "Clip") + "\r- Bin B\r" + row("x\nb", "Clip") + "\r",
    };
    for (const auto& text : cases) {
        Fcp2aleRun run;
        EXPECT_EQ(run.ales(text, options(true)),
                  (Texts{kPalHead + kColumns + aleRow("a"), kPalHead + kColumns + aleRow("b")}))
            << text;
        EXPECT_EQ(run.proposed(), (Texts{"Shoot Day", "Bin B"}));
    }
}

TEST(Fcp2ale, NothingKeptMeansNoPanelAndACancelDropsThatBinOnly) {
    Fcp2aleRun none;
    EXPECT_EQ(none.convert(kHeader + "\r" + row("s", "SubClip") + "\r", options(true)), "OK");
    EXPECT_TRUE(none.ui.events().empty());

    Fcp2aleRun run;
    run.ui.queueSavePanelCancel();
    run.ui.queueSavePanelAnswer("/out/b.ale");
    EXPECT_EQ(run.convert(kHeader + "\r" + row("a", "Clip") + "\r- B\r" + row("b", "Clip"),
                          options(true)),
              "OK");
    ASSERT_EQ(run.written.size(), 1u);
    EXPECT_EQ(run.written[0].second, kPalHead + kColumns + aleRow("b"));
}

TEST(Fcp2ale, ShortRowsAndShortBinLinesDoNotFail) {
    Fcp2aleRun run;
    EXPECT_EQ(run.ales("Type\tName\tMedia Start\tMedia End\tTracks\tAudio\tReel\rx\rClip\tn\r",
                       options(true)),
              Texts{kPalHead + "Name\tStart\tEnd\tTracks\tTape\r\rData\rn\t\t\t\t\r"});
    EXPECT_EQ(run.proposed(), Texts{"Shoot Day"});
}

TEST(Fcp2ale, ReportsSavingProblems) {
    Fcp2aleRun run;
    run.answerPanels(1);
    run.attributes.readOnly = true;
    EXPECT_EQ(run.convert(kHeader + "\r" + row("a", "Clip"), options(true)), "OK");
    EXPECT_EQ(run.log.entries,
              (std::vector<std::string>{"There was a problem setting type code on /out/0.ale"}));

    Fcp2aleRun failing;
    failing.answerPanels(1);
    failing.writerFails = true;
    EXPECT_EQ(failing.convert(kHeader + "\r" + row("a", "Clip"), options(true)), "error");
    EXPECT_EQ(failing.ui.beeps(), 1);
    ASSERT_EQ(failing.ui.alerts().size(), 1u);
    EXPECT_EQ(failing.ui.alerts()[0].title, "The ALE file could not be saved!");
}

TEST(Fcp2ale, MissingRequiredColumnStopsWithItsAlert) {
    const std::vector<std::string> required = {"Name",  "Media Start", "Media End", "Tracks",
                                               "Audio", "Reel",        "Type"};
    for (const std::string& missing : required) {
        std::string header;
        for (const std::string& column : required) {
            if (column != missing) {
                header += column + "\t";
            }
        }
        Fcp2aleRun run;
        EXPECT_EQ(run.convert(header + "\r" + row("a", "Clip"), options(true)), "error");
        const std::string button = missing == "Audio" ? "?!**/%%?\?\?!!!!!?\?" : "Cancel";
        EXPECT_EQ(run.ui.events(),
                  (std::vector<std::string>{
                      "beep", "alert The column \"" + missing +
                                  "\" is missing!|You can't convert a FCP batch List without "
                                  "this column.|" +
                                  button + "||"}));
        EXPECT_TRUE(run.written.empty());
    }
}

} // namespace
} // namespace korvel
