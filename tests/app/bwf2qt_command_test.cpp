// SPDX-License-Identifier: MIT
// The bwf2qt command's dialogue, log and lists, on small BWF files written by the test.
#include "../audio/wave_builder.h"
#include "app/bwf2qt_command.h"
#include "app/default_preferences.h"
#include "app/preference_keys.h"
#include "platform/scripted_user_interface.h"
#include "platform/text_file.h"
#include "support/memory_file_attributes.h"
#include "support/output_folder_test.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace korvel {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

test::Bytes bwfFile(const std::string& description, std::uint16_t channels = 2,
                    std::uint32_t rate = 48000, std::uint16_t bits = 24, double seconds = 0.5,
                    bool withBext = true) {
    test::BextFields fields = test::describedAs(description);
    fields.originator = "Recorder";
    fields.timeReference = std::uint64_t{rate} * 36000; // 10:00:00:00
    return test::bwfRecording(fields, channels, rate, bits, seconds, withBext);
}

class Bwf2qtCommandTest : public test::OutputFolderTest {
  protected:
    void SetUp() override {
        OutputFolderTest::SetUp();
        makeDefaultPrefs(prefs, "/home/ed");
    }

    std::string write(const std::string& name, const test::Bytes& bytes) const {
        test::writeFile(path(name), bytes);
        return path(name);
    }
    // Answers both open panels; the lists go to out/list.txt and out/list.xml.
    Bwf2qtReport run(const std::vector<std::string>& files,
                     const std::string& batchList = "list.txt") {
        ui.queueOpenPanelAnswer(files);
        ui.queueOpenPanelAnswer({(m_folder / "out").string()});
        ui.queueSavePanelAnswer(out(batchList));
        ui.queueSavePanelAnswer(out("list.xml"));
        Bwf2qtContext context{ui, prefs, attributes, log, "/home/ed", {}};
        return clickGotoTC(context);
    }
    // A fresh dialogue and log for the next run.
    void again() {
        ui = ScriptedUserInterface();
        log.KTClearLog();
    }
    Lines logLines() const {
        Lines lines;
        // After the banner; a new log has an empty line there, a cleared one has not.
        std::string text = log.logString().substr(KTLogController::kBanner.size());
        if (text.starts_with('\r')) {
            text.erase(0, 1);
        }
        for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
            end = text.find('\r', start);
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }
    bool logMentions(const std::string& part) const {
        return log.logString().find(part) != std::string::npos;
    }
    Lines events(std::string_view prefix) const {
        Lines found;
        std::copy_if(ui.events().begin(), ui.events().end(), std::back_inserter(found),
                     [prefix](const std::string& e) { return e.starts_with(prefix); });
        return found;
    }
    std::string list(const std::string& name) const {
        auto text = readTextFile(out(name));
        return text ? *text : std::string();
    }

    ScriptedUserInterface ui;
    MemoryPreferenceStore prefs;
    test::MemoryFileAttributes attributes;
    KTLogController log;
};

TEST_F(Bwf2qtCommandTest, CancellingEitherPanelLogsOnlyTheEnd) {
    Bwf2qtContext context{ui, prefs, attributes, log, "/home/ed", {}};
    EXPECT_EQ(clickGotoTC(context).outcome, CommandOutcome::Cancelled);
    ui.queueOpenPanelAnswer({path("a.wav")});
    EXPECT_EQ(clickGotoTC(context).outcome, CommandOutcome::Cancelled);
    EXPECT_EQ(logLines(), (Lines{"Ending bwf2qt...", "Ending bwf2qt..."}));
    const OpenPanel& files = ui.openPanels().at(0);
    EXPECT_EQ(files.title, "Select BWF Files:");
    EXPECT_EQ(files.allowedExtensions, (Lines{"BWF", "bwf", "wav", "WAV"}));
    EXPECT_TRUE(files.allowsMultipleSelection);
    EXPECT_EQ(ui.openPanels().at(2).title, "Select Destination Folder:");
    EXPECT_TRUE(ui.openPanels().at(2).chooseFolders);
}

TEST_F(Bwf2qtCommandTest, FilesWithoutBextAreSkippedAndTheListsHoldTheRest) {
    prefs.setBoolean(prefkey::kClickCreateFCPBatchList, true);
    prefs.setBoolean(prefkey::kBWFXML, true);
    const std::string a =
        write("A01.wav", bwfFile("sTAPE=R07\r\nsSCENE=3\r\nsTAKE=1\r\nsNOTE=wind"));
    const std::string plain = write("plain.wav", bwfFile("", 1, 48000, 16, 0.5, false));
    const std::string c = write("C03.wav", bwfFile("sSCENE=4\nsTAKE=2\n", 1, 48000, 16, 1.0));
    const Bwf2qtReport report = run({a, plain, c});

    EXPECT_EQ(report.outcome, CommandOutcome::Done);
    EXPECT_EQ(report.movies, (Lines{out("A01.mov"), out("C03.mov")}));
    EXPECT_EQ(report.withoutBext, 1);
    const auto progress = events("progress");
    ASSERT_EQ(progress.size(), 8u);
    EXPECT_EQ(progress[3],
              "progress 1.000000 Converting BWF File: plain.wav|Converting 2 out of 3 Files");
    EXPECT_EQ(events("alert"), (Lines{"alert The File: plain.wav is apparently not a BWF "
                                      "File.|The File does not contain a Bext Chunk!|Skip "
                                      "File|Abort|"}));
    EXPECT_EQ(ui.beeps(), 1);
    EXPECT_EQ(logLines(),
              (Lines{"Converting BWF File: " + a + "...", "Converting BWF File: " + plain + "...",
                     "Converting BWF File: " + c + "...", "Creating Batch List...",
                     "Creating XML List...", "Ending bwf2qt..."}));
    // Rows are the records' values as they stand, under the FCP 4 header.
    EXPECT_EQ(list("list.txt"),
              "Name\tTracks\tMedia Start\tMedia End\tReel\tLog Note\tScene\tShot/Take\t"
              "Master Comment 1\tMaster Comment 2\tMaster Comment 4\tDescription\r"
              "A01.mov\t2A\t10:00:00:00\t10:00:00:12\tR07\twind\t3\t1\t"
              "Origination Date and Time: 2026-01-02 @ 10:20:30\t Originator: Recorder | "
              "Originator Reference: \tOriginal Filename: A01.wav\t3/1\r"
              "C03.mov\t1A\t10:00:00:00\t10:00:01:00\tC03\t\t4\t2\t"
              "Origination Date and Time: 2026-01-02 @ 10:20:30\t Originator: Recorder | "
              "Originator Reference: \tOriginal Filename: C03.wav\t4/2\r");
    // The clip's duration is the movie's: half a second and one second at 25 frames.
    const std::string xml = list("list.xml");
    EXPECT_NE(xml.find("<duration>12</duration>"), std::string::npos);
    EXPECT_NE(xml.find("<duration>25</duration>"), std::string::npos);
    EXPECT_EQ(attributes.codes[out("list.txt")], "TEXTKeyG");
    EXPECT_EQ(attributes.codes[out("list.xml")], "TEXTKeyG");
    EXPECT_EQ(attributes.codes[out("A01.mov")], "MooVKeyG");
}

TEST_F(Bwf2qtCommandTest, UnwritableBatchListIsReportedAndLogged) {
    prefs.setBoolean(prefkey::kClickCreateFCPBatchList, true);
    EXPECT_EQ(run({write("A01.wav", bwfFile("sTAPE=R07\r\n"))}, "missing/list.txt").outcome,
              CommandOutcome::Failed);
    EXPECT_EQ(events("alert").size(), 1u);
    EXPECT_TRUE(
        logMentions("The batch list could not be saved to " + out("missing/list.txt") + ": "));
}

TEST_F(Bwf2qtCommandTest, ExistingMovieIsSkippedReplacedOrEndsTheRun) {
    struct Row {
        int answer;
        bool replaced;
        bool listsOffered;
    };
    prefs.setBoolean(prefkey::kClickCreateFCPBatchList, true);
    const std::string a = write("A01.wav", bwfFile("sTAPE=R07\r\n"));
    for (const Row& row : {Row{kAlertDefault, false, false}, Row{kAlertAlternate, true, true},
                           Row{kAlertOther, false, false}}) {
        SCOPED_TRACE(row.answer);
        test::writeFile(out("A01.mov"), {'o', 'l', 'd'});
        again();
        ui.queueAlertAnswer(row.answer);
        const Bwf2qtReport report = run({a});
        EXPECT_EQ(events("alert"),
                  (Lines{"alert File Alreay Exists!|The File: A01.mov already "
                         "exists in the Destination Folder.|Skip File|Replace|Abort"}));
        EXPECT_EQ(fs::file_size(out("A01.mov")) > 3, row.replaced);
        EXPECT_EQ(ui.savePanels().size(), row.listsOffered ? 1u : 0u);
        EXPECT_EQ(logLines().back() == "Ending bwf2qt...", row.answer != kAlertOther);
        EXPECT_EQ(report.outcome == CommandOutcome::Done, row.answer != kAlertOther);
    }
}

TEST_F(Bwf2qtCommandTest, CancelStopsBetweenFilesAndTheListsHoldTheMoviesMade) {
    prefs.setBoolean(prefkey::kClickCreateFCPBatchList, true);
    const std::string a = write("A01.wav", bwfFile("sTAPE=R1\r\n"));
    const std::string b = write("B02.wav", bwfFile("sTAPE=R2\r\n"));
    ui.cancelAfterQuestions(1);
    const Bwf2qtReport report = run({a, b, write("C03.wav", bwfFile("sTAPE=R3\r\n"))});
    EXPECT_EQ(report.outcome, CommandOutcome::Cancelled);
    EXPECT_EQ(report.movies, (Lines{out("A01.mov")}));
    EXPECT_FALSE(fs::exists(out("B02.mov")));
    EXPECT_EQ(logLines(), (Lines{"Converting BWF File: " + a + "...",
                                 "bwf2qt was cancelled after 1 of 3 files: " + b +
                                     " and the files after it were not converted.",
                                 "Creating Batch List...", "Ending bwf2qt..."}));
    const std::string batchList = list("list.txt"); // the header and one row
    EXPECT_EQ(std::count(batchList.begin(), batchList.end(), '\r'), 2);
}

// Half a second of 24-bit stereo at 48 kHz reduced to 16 bits: 96000 bytes, reported in order.
TEST_F(Bwf2qtCommandTest, BytesWithinAFileAreReportedUpToTheWhole) {
    prefs.setBoolean(prefkey::kButton24to16, true);
    ASSERT_EQ(run({write("A01.wav", bwfFile("sTAPE=R1\r\n"))}).movies.size(), 1u);
    const auto& reports = ui.fileProgressReports();
    ASSERT_FALSE(reports.empty());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].second, 96000u);
        EXPECT_LE(i == 0 ? 0 : reports[i - 1].first, reports[i].first);
    }
    EXPECT_EQ(reports.back().first, 96000u);
}

TEST_F(Bwf2qtCommandTest, BwfExtensionNeedsTheWaveTypeCode) {
    const std::string wav = write("B01.wav", bwfFile("sTAPE=R1\r\n"));
    const std::string bwf = write("B02.BWF", bwfFile("sTAPE=R2\r\n"));
    // Without the code and "Abort": nothing happens after the question.
    ui.queueAlertAnswer(kAlertAlternate);
    EXPECT_EQ(run({wav, bwf}).outcome, CommandOutcome::Failed);
    EXPECT_EQ(events("alert"),
              (Lines{"alert Unable to read file!|The file: B02.BWF can't be recognized by "
                     "QuickTime. Do you want to change the Type Code of the file so QuickTime can "
                     "read it?|Change Type Code|Abort|"}));
    EXPECT_EQ(logLines(), (Lines{"The BWF File: " + bwf + " lacks a Wave Type Code."}));
    EXPECT_FALSE(fs::exists(out("B01.mov")));
    // A read-only disk: the second alert, and the end.
    attributes.readOnly = true;
    again();
    EXPECT_EQ(run({bwf}).outcome, CommandOutcome::Failed);
    EXPECT_EQ(ui.alerts().back().title, "Unable to set Type Code!");
    EXPECT_EQ(logLines().back(), "Unable to set Type Code of file: " + bwf + ".");
    EXPECT_EQ(ui.beeps(), 2);
    // "Change Type Code" goes on; "BWFAutoCode" changes it without asking.
    attributes.readOnly = false;
    again();
    EXPECT_EQ(run({bwf}).outcome, CommandOutcome::Done);
    EXPECT_EQ(logLines().at(1), "Changed the Type Code of file: " + bwf + " to Wave.");
    EXPECT_EQ(attributes.codes[bwf], "WAVETVOD");
    attributes.codes.clear();
    prefs.setBoolean(prefkey::kBWFAutoCode, true);
    again();
    fs::remove(out("B02.mov"));
    EXPECT_EQ(run({bwf}).outcome, CommandOutcome::Done);
    EXPECT_TRUE(ui.alerts().empty());
    EXPECT_TRUE(fs::exists(out("B02.mov")));
}

// A pair counts as two files of the run and writes no "Converting" line.
TEST_F(Bwf2qtCommandTest, ChannelPairsMergeIntoOneMovie) {
    prefs.setString(prefkey::kBWFMergeTracks, "Ch. 1 & 2");
    const std::string left = write("ABC123_1.wav", bwfFile("sTAPE=R9\r\n", 1, 48000, 24, 1.0));
    const std::string right = write("ABC123_2.wav", bwfFile("sTAPE=R9\r\n", 1, 48000, 24, 0.5));
    const Bwf2qtReport report = run({write("XYZ.wav", bwfFile("sTAPE=R3\r\n", 1)), right, left});
    EXPECT_EQ(report.movies, (Lines{out("ABC123P1.mov"), out("XYZ.mov")}));
    EXPECT_EQ(events("progress ").at(2),
              "progress 2.000000 Converting BWF File: ABC123_1.wav|Converting 1 out of 3 files");
    EXPECT_FALSE(logMentions("Converting BWF File: " + left));
}

// Files named as a pair that miss the pairing rule become a movie each, and the log says why.
TEST_F(Bwf2qtCommandTest, PairThatMissesTheRuleIsConvertedOneByOne) {
    const std::vector<std::pair<test::Bytes, std::string>> partners = {
        {bwfFile("sTAPE=R9\r\n", 1, 44100, 24), "differ in sample rate"},
        {bwfFile("sTAPE=R9\r\n", 2, 48000, 24), "two mono files"},
        {bwfFile("", 1, 48000, 24, 0.5, false), "ABC123_2.wav has no bext chunk"},
    };
    prefs.setString(prefkey::kBWFMergeTracks, "Ch. 1 & 2");
    for (const auto& [partner, reason] : partners) {
        SCOPED_TRACE(reason);
        fs::remove_all(m_folder / "out");
        fs::create_directories(m_folder / "out");
        again();
        const std::string left = write("ABC123_1.wav", bwfFile("sTAPE=R9\r\n", 1, 48000, 24));
        const std::string right = write("ABC123_2.wav", partner);
        const Bwf2qtReport report = run({left});
        EXPECT_EQ(report.outcome, CommandOutcome::Done);
        EXPECT_EQ(report.movies.at(0), out("ABC123_1.mov"));
        EXPECT_TRUE(ui.alerts().empty());
        EXPECT_TRUE(logMentions(reason));
    }
}

TEST_F(Bwf2qtCommandTest, FileThatIsNotWaveFailsInsteadOfLackingBext) {
    const std::string text = write("NOTES.wav", test::Bytes{'t', 'a', 'k', 'e', ' ', '3', '\n'});
    const Bwf2qtReport report = run({text, write("GOOD.wav", bwfFile("sTAPE=R1\r\n"))});
    EXPECT_EQ(report.failed, 1);
    EXPECT_EQ(report.withoutBext, 0);
    EXPECT_EQ(report.movies, (Lines{out("GOOD.mov")}));
    ASSERT_EQ(ui.alerts().size(), 1u);
    EXPECT_EQ(ui.alerts()[0].title, "Unable to convert file!");
}

TEST(Bwf2qtJobs, PairsNeverSwallowAnotherChosenFile) {
    using Jobs = std::vector<std::pair<std::string, std::string>>;
    const auto jobs = [](const std::vector<std::string>& chosen, int channelA,
                         const std::string& onDisk) {
        Jobs out;
        for (const Bwf2qtJob& job : bwf2qtJobs(
                 chosen, channelA, [&](const std::string& path) { return path == onDisk; })) {
            out.emplace_back(job.file, job.partner);
        }
        return out;
    };
    // The partner lies beside the chosen channel-A file but was not chosen: the file that sorts
    // after it is still converted.
    EXPECT_EQ(jobs({"/d/ABC123_1.wav", "/d/ABC123_X.wav"}, 1, "/d/ABC123_2.wav"),
              (Jobs{{"/d/ABC123_1.wav", "/d/ABC123_2.wav"}, {"/d/ABC123_X.wav", ""}}));
    // Sorted without regard to case; channel 10 sorts between 1 and 2, and the partner is not
    // converted again alone.
    EXPECT_EQ(jobs({"/d/ABC123_2.wav", "/d/ABC123_10.wav", "/d/abc123_1.wav"}, 1, ""),
              (Jobs{{"/d/abc123_1.wav", ""}, {"/d/ABC123_10.wav", ""}, {"/d/ABC123_2.wav", ""}}));
    EXPECT_EQ(
        jobs({"/d/ABC123_2.wav", "/d/ABC123_10.wav", "/d/ABC123_1.wav"}, 1, "/d/ABC123_2.wav"),
        (Jobs{{"/d/ABC123_1.wav", "/d/ABC123_2.wav"}, {"/d/ABC123_10.wav", ""}}));
    // Channels 3 & 4 among files of channels 1 and 2; a base name of seven characters.
    EXPECT_EQ(jobs({"/d/ABC123_1.wav", "/d/ABC123_2.wav"}, 3, "/d/ABC123_2.wav"),
              (Jobs{{"/d/ABC123_1.wav", ""}, {"/d/ABC123_2.wav", ""}}));
    EXPECT_EQ(jobs({"/d/SHORT_1.wav"}, 1, "/d/SHORT_2.wav"), (Jobs{{"/d/SHORT_1.wav", ""}}));
    EXPECT_EQ(bwf2qtChannelA("Ch. 7 & 8"), 7);
    EXPECT_EQ(bwf2qtChannelA("Ch. 2 & 3"), 0);
}

TEST(Bwf2qtLists, HeaderByLanguageAndVersionAndRowsKeepTheirColumns) {
    EXPECT_NE(bwf2qtBatchListHeader("English", "FCP 3").find("\tComment 1\t"), std::string::npos);
    EXPECT_TRUE(bwf2qtBatchListHeader("French", "FCP 4").starts_with("Nom\tPistes\tDébut"));
    EXPECT_EQ(bwf2qtBatchListHeader("German", "FCP 4"), "");
    BwfInfo info = BwfInfo::withReaderKeys();
    info.set(bwfkey::kName, "A.mov");
    info.set(bwfkey::kLogNote, "left\tright");
    EXPECT_EQ(bwf2qtBatchListRow(info), "A.mov\t\t\t\t\tleft right\t\t\t\t\t\t\r");
}

} // namespace
} // namespace korvel
