// SPDX-License-Identifier: MIT
// The ale2fcp, fcp2ale and Batch Add TC commands (their panels, preferences, log and files), and
// the log they write to.
#include "app/batch_add_tc_command.h"
#include "app/conversion_commands.h"
#include "app/default_preferences.h"
#include "app/log_controller.h"
#include "app/preference_keys.h"
#include "platform/scripted_user_interface.h"
#include "support/memory_file_attributes.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace korvel {
namespace {

namespace fs = std::filesystem;

// One command run against files held in memory.
struct Harness {
    ScriptedUserInterface ui;
    MemoryPreferenceStore prefs;
    test::MemoryFileAttributes attributes;
    KTLogController log;
    std::map<std::string, std::string> files;
    ConversionCommandContext context{
        ui,
        prefs,
        attributes,
        log,
        [this](const std::string& path) -> Result<std::string> {
            const auto found = files.find(path);
            if (found == files.end()) {
                return makeError("cannot open " + path);
            }
            return found->second;
        },
        [this](const std::string& path, std::string_view text) -> Status {
            files[path] = std::string(text);
            return {};
        }};

    Harness() { makeDefaultPrefs(prefs, "/home/ed"); }

    std::string lastLogLine() const {
        const std::string text = log.logString().substr(0, log.logString().size() - 1);
        return text.substr(text.rfind('\r') + 1);
    }
};

const std::string kAle = "Heading\nVIDEO_FORMAT\tPAL\nColumn\nName\tStart\tEnd\tTracks\tTape\n"
                         "Data\nn1\t01:00:00:00\t01:00:01:00\tV\tT\n";

TEST(Clickale2fcp, ConvertsAndSavesWithCodes) {
    Harness h;
    h.files["/shoot/Scene12.ALE"] = kAle;
    h.ui.queueOpenPanelAnswer({"/shoot/Scene12.ALE"});
    h.ui.queueSavePanelAnswer("/lists/Scene12.txt");
    EXPECT_EQ(clickale2fcp(h.context), CommandOutcome::Done);

    const OpenPanel& open = h.ui.openPanels().at(0);
    EXPECT_EQ(open.title, "Avid Log Exchange Conversion");
    EXPECT_EQ(open.startFolder, "/home");
    EXPECT_EQ(open.preselectedFile, "ed");
    const SavePanel& save = h.ui.savePanels().at(0);
    EXPECT_EQ(save.startFolder, "/home/ed");
    EXPECT_EQ(save.proposedName, "Scene12");

    EXPECT_EQ(h.files["/lists/Scene12.txt"],
              "Name\tMedia Start\tMedia "
              "End\tTracks\tAudio\tReel\rn1\t01:00:00:00\t01:00:01:00\t1V\t\tT\r");
    EXPECT_EQ(h.prefs.stringOrEmpty(prefkey::kAle2fcpAleDir), "/shoot/Scene12.ALE");
    EXPECT_EQ(h.prefs.stringOrEmpty(prefkey::kAle2fcpFcpDir), "/lists");
    EXPECT_EQ(h.attributes.codes,
              (std::map<std::string, std::string>{{"/lists/Scene12.txt", "TEXTKeyG"}}));
    EXPECT_EQ(
        h.log.logString(),
        "Korvel Tools version 1.2.1\r\rale2fcp video format: PAL\rThe ALE file has Unix line "
        "breaks!\rThe ALE file has PAL video format\rStarting to convert the ALE shot log...\r"
        "Finished converting 1 clips.\r");
}

TEST(Clickale2fcp, PassesThePreferencesAsOptions) {
    Harness h;
    h.prefs.setString(prefkey::kMediaFileVersion, "QuickTime 3");
    h.prefs.setString(prefkey::kModifyNameData, "Truncate");
    h.prefs.setBoolean(prefkey::kAleCopyName, true);
    h.prefs.setBoolean(prefkey::kAle2fcpWindowsOption, true);
    h.prefs.setString(prefkey::kUserTxt3, "Start");
    h.prefs.setString(prefkey::kAle2fcpFCPvers, "FCP 3");
    h.files["/a.ale"] = "Heading\nColumn\nName\tStart\tEnd\tTracks\tTape\nData\n"
                        "abcdefghijklmnopqrstuvwxyz/12345\t1\t2\tV\tT";
    h.ui.queueOpenPanelAnswer({"/a.ale"});
    h.ui.queueSavePanelAnswer("/a.txt");
    EXPECT_EQ(clipBaseNameLength(h.prefs), 27);
    EXPECT_EQ(clickale2fcp(h.context), CommandOutcome::Done);
    EXPECT_EQ(h.files["/a.txt"],
              "Name\tMedia Start\tComment 3\tMedia End\tTracks\tAudio\tReel\tLabel 2\r"
              "abcdefghijklmnopqrstuvwxyz\t1\t1\t2\t1V\t\tT\t"
              "abcdefghijklmnopqrstuvwxyz/12345\r");
}

TEST(Clickale2fcp, FailedConversionBeepsAndSavesNothing) {
    Harness h;
    h.files["/a.ale"] = "not an ale";
    h.ui.queueOpenPanelAnswer({"/a.ale"});
    EXPECT_EQ(clickale2fcp(h.context), CommandOutcome::Failed);
    EXPECT_EQ(h.ui.beeps(), 2); // the alert's and the command's
    EXPECT_TRUE(h.ui.savePanels().empty());
}

TEST(Clickale2fcp, CancelledPanelsEndSilently) {
    Harness h;
    EXPECT_EQ(clickale2fcp(h.context), CommandOutcome::Cancelled);
    EXPECT_EQ(h.prefs.stringOrEmpty(prefkey::kAle2fcpAleDir), "/home/ed");

    h.files["/a.ale"] = kAle;
    h.ui.queueOpenPanelAnswer({"/a.ale"});
    h.ui.queueSavePanelCancel();
    EXPECT_EQ(clickale2fcp(h.context), CommandOutcome::Cancelled);
    EXPECT_EQ(h.files.size(), 1u);
    EXPECT_EQ(h.prefs.stringOrEmpty(prefkey::kAle2fcpFcpDir), "/home/ed");
}

TEST(Clickale2fcp, LogsWhenCodesCannotBeSet) {
    Harness h;
    h.attributes.readOnly = true;
    h.files["/a.ale"] = kAle;
    h.ui.queueOpenPanelAnswer({"/a.ale"});
    h.ui.queueSavePanelAnswer("/b/a.txt");
    EXPECT_EQ(clickale2fcp(h.context), CommandOutcome::Done);
    EXPECT_EQ(h.lastLogLine(), "There was a problem setting type and creator code on /b/a.txt");
    EXPECT_EQ(h.files.count("/b/a.txt"), 1u);
}

TEST(Clickale2fcp, UnwritableBatchListIsReportedAndLogged) {
    Harness h;
    h.context.writeText = [](const std::string&, std::string_view) -> Status {
        return makeError("read-only disk");
    };
    h.files["/a.ale"] = kAle;
    h.ui.queueOpenPanelAnswer({"/a.ale"});
    h.ui.queueSavePanelAnswer("/cd/a.txt");
    EXPECT_EQ(clickale2fcp(h.context), CommandOutcome::Failed);
    ASSERT_EQ(h.ui.alerts().size(), 1u);
    EXPECT_EQ(h.ui.alerts()[0].title, "The batch list could not be saved!");
    EXPECT_EQ(h.lastLogLine(), "The batch list could not be saved to /cd/a.txt: read-only disk");
}

TEST(Clickfcp2ale, RefusedUnder24fps) {
    Harness h;
    h.prefs.setString(prefkey::kTVSys, "24 fps");
    EXPECT_EQ(clickfcp2ale(h.context), CommandOutcome::Failed);
    EXPECT_EQ(h.ui.events(), (std::vector<std::string>{
                                 "beep", "alert Video Standard error!|Sorry, but you can't "
                                         "convert a FCP batch list using 24 fps.|Cancel||"}));
}

TEST(Clickfcp2ale, ConvertsWithTheStoredOptions) {
    Harness h;
    h.prefs.setString(prefkey::kTVSys, "NTSC");
    h.prefs.setString(prefkey::kClipType, "SubClips only");
    h.prefs.setString(prefkey::kFcp2aleSaveDir, "/alelogs");
    h.files["/fcp/day 1.txt"] = "Name\tMedia Start\tMedia End\tTracks\tAudio\tReel\tType\r"
                                "a\t1\t2\t1V\t\tR\tClip\rb\t3\t4\t1A\tA1\tR\tSubClip\r";
    h.ui.queueOpenPanelAnswer({"/fcp/day 1.txt"});
    h.ui.queueSavePanelAnswer("/alelogs/day 1.ale");
    EXPECT_EQ(clickfcp2ale(h.context), CommandOutcome::Done);
    EXPECT_EQ(h.ui.openPanels().at(0).title, "FCP Batch List Conversion");
    EXPECT_EQ(h.ui.savePanels().at(0).proposedName, "day 1");
    EXPECT_EQ(h.prefs.stringOrEmpty(prefkey::kFcp2aleAleDir), "/fcp/day 1.txt");
    EXPECT_EQ(h.files["/alelogs/day 1.ale"],
              "Heading\rFIELD_DELIM\tTABS\rVIDEO_FORMAT\tNTSC\rAUDIO_FORMAT\t48khz\rTAPE\tUnknown\r"
              "FPS\t29.97\r\rColumn\rName\tStart\tEnd\tTracks\tTape\r\rData\rb\t3\t4\tA1\tR\r");
}

TEST(Clickfcp2ale, UnreadableFileIsReported) {
    Harness h;
    h.ui.queueOpenPanelAnswer({"/missing.txt"});
    EXPECT_EQ(clickfcp2ale(h.context), CommandOutcome::Failed);
    ASSERT_EQ(h.ui.alerts().size(), 1u);
    EXPECT_EQ(h.ui.alerts()[0].title, "The file could not be read!");
}

struct BatchAddTcHarness {
    ScriptedUserInterface ui;
    MemoryPreferenceStore prefs;
    KTLogController log;
    std::vector<std::string> added;
    BatchAddTcCommand command{
        ui, prefs, log,
        TimecodeTrackOperations{[](const std::string&) { return false; },
                                [](const std::string&) { return Status{}; },
                                [this](const std::string& path, std::string_view tc,
                                       std::string_view reel, std::string_view, bool) {
                                    added.push_back(path + " " + std::string(tc) + " " +
                                                    std::string(reel));
                                    return Status{};
                                },
                                {}}};

    BatchAddTcHarness() { makeDefaultPrefs(prefs, "/home/ed"); }
};

TEST(ClickDoSetTC, CancellingEitherPanelStops) {
    BatchAddTcHarness first;
    EXPECT_EQ(first.command.clickDoSetTC(), CommandOutcome::Cancelled);
    EXPECT_FALSE(first.prefs.contains(prefkey::kLastAleDir));
    EXPECT_EQ(first.ui.openPanels().size(), 1u);

    BatchAddTcHarness second;
    second.prefs.setString(prefkey::kLastAleDir, "/shoot/old.ALE");
    second.prefs.setString(prefkey::kLastMfDir, "/media/day1");
    second.ui.queueOpenPanelAnswer({"/shoot/day2.ALE"});
    second.ui.queueOpenPanelCancel();
    EXPECT_EQ(second.command.clickDoSetTC(), CommandOutcome::Cancelled);
    // The ALE chosen before the folder panel was cancelled is remembered.
    EXPECT_EQ(second.prefs.stringOrEmpty(prefkey::kLastAleDir), "/shoot/day2.ALE");
    EXPECT_EQ(second.command.aleFile(), "/shoot/day2.ALE");
    EXPECT_EQ(second.prefs.stringOrEmpty(prefkey::kLastMfDir), "/media/day1");

    const OpenPanel& ale = second.ui.openPanels().at(0);
    EXPECT_EQ(ale.title, "Select Ale log:");
    EXPECT_EQ(ale.allowedExtensions, (std::vector<std::string>{"ALE", "ale", "txt", "TXT"}));
    EXPECT_EQ(ale.startFolder, "/shoot");
    const OpenPanel& folder = second.ui.openPanels().at(1);
    EXPECT_EQ(folder.title, "Select Media Folder:");
    EXPECT_EQ(folder.startFolder, "/media/day1");
    EXPECT_TRUE(folder.chooseFolders);
}

TEST(ClickDoSetTC, OptionsComeFromTheStore) {
    struct Row {
        std::string mediaFileVersion;
        std::string tcColumn;
        bool convertTo24Tc;
        std::int32_t baseNameLength;
        bool convert;
    };
    const Row rows[] = {
        {"QuickTime 4 or later", "Start", true, 28, true},
        {"QuickTime 3", "Start", false, 27, false},
        {"", "TC 24 Start", true, 27, false},
        {"QuickTime 4 or later", "Auxiliary TC1", true, 28, true},
    };
    for (const Row& row : rows) {
        MemoryPreferenceStore prefs;
        makeDefaultPrefs(prefs, "/home/ed");
        prefs.setString(prefkey::kMediaFileVersion, row.mediaFileVersion);
        prefs.setString(prefkey::kTcColumn, row.tcColumn);
        prefs.setBoolean(prefkey::kConvertTo24Tc, row.convertTo24Tc);
        const SetMovieTCFromAleOptions options =
            BatchAddTcCommand::optionsFromPreferences(prefs, "/a.ALE", "/m");
        EXPECT_EQ(options.tcField, row.tcColumn);
        EXPECT_EQ(options.baseNameLength, row.baseNameLength) << row.mediaFileVersion;
        EXPECT_EQ(options.convertTo24TC, row.convert) << row.tcColumn;
    }
}

using ClickDoSetTCRun = test::OutputFolderTest;

TEST_F(ClickDoSetTCRun, RunsTheBatchIntoTheLog) {
    fs::create_directories(m_folder / "media");
    writeText("media/A001.mov", "movie");
    BatchAddTcHarness h;
    h.ui.queueOpenPanelAnswer({writeText("day.ALE", "Heading\r\nColumn\r\nName\tTape\tStart\r\n\r\n"
                                                    "Data\r\nA001\tR1\t01:00:00:00\r\n"
                                                    "A002\tR2\t01:00:00:00\r\n")});
    h.ui.queueOpenPanelAnswer({path("media")});
    EXPECT_EQ(h.command.clickDoSetTC(), CommandOutcome::Done);
    ASSERT_TRUE(h.command.lastSummary().has_value());
    EXPECT_EQ(h.command.lastSummary()->added, 1);
    EXPECT_EQ(h.command.lastSummary()->missed, 1);
    EXPECT_EQ(h.added, (std::vector<std::string>{path("media/A001.mov") + " 01:00:00:00 R1"}));
    EXPECT_EQ(h.prefs.stringOrEmpty(prefkey::kLastMfDir), path("media"));
    // The batch's own lines are the movie tests'; here, that they reach the log window.
    EXPECT_TRUE(h.log.logString().ends_with("\rEnding Batch Add TC...\r\r")) << h.log.logString();
    EXPECT_EQ(h.ui.summaryLines().at(0), "The ALE file: day.ALE contained 2 clip(s).");
}

TEST(KTLogControllerTest, Texts) {
    struct Row {
        const char* name;
        std::vector<std::string> entries;
        bool clearFirst;
        const char* expected;
    };
    const Row rows[] = {
        {"start", {}, false, "Korvel Tools version 1.2.1\r\r"},
        {"entry ending in a return",
         {"Ending Batch Add TC...\r", "next"},
         false,
         "Korvel Tools version 1.2.1\r\rEnding Batch Add TC...\r\rnext\r"},
        {"empty entry", {""}, false, "Korvel Tools version 1.2.1\r\r\r"},
        {"cleared then one", {"entry"}, true, "Korvel Tools version 1.2.1\rentry\r"},
    };
    for (const Row& row : rows) {
        KTLogController log;
        if (row.clearFirst) {
            log.KTAddLogEntry("before the clear");
            log.KTClearLog();
        }
        for (const std::string& entry : row.entries) {
            log.KTAddLogEntry(entry);
        }
        EXPECT_EQ(log.logString(), row.expected) << row.name;
    }
}

TEST(KTLogControllerTest, ListenerSeesEveryChange) {
    KTLogController log;
    std::vector<std::string> seen;
    log.setListener([&](std::string_view entry) { seen.emplace_back(entry); });
    log.KTAddLogEntry("a");
    log.KTClearLog();
    log.KTAddLogEntry("b");
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "", "b"}));
}

} // namespace
} // namespace korvel
