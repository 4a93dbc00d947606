// SPDX-License-Identifier: MIT
#include "app/batch_add_tc_command.h"
#include "app/default_preferences.h"
#include "app/preference_keys.h"
#include "platform/scripted_user_interface.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace korvel {
namespace {

namespace fs = std::filesystem;

struct Harness {
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

    Harness() { makeDefaultPrefs(prefs, "/home/ed"); }
};

TEST(ClickDoSetTC, CancellingEitherPanelStops) {
    Harness first;
    EXPECT_EQ(first.command.clickDoSetTC(), CommandOutcome::Cancelled);
    EXPECT_FALSE(first.prefs.contains(prefkey::kLastAleDir));
    EXPECT_EQ(first.ui.openPanels().size(), 1u);

    Harness second;
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
    Harness h;
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

} // namespace
} // namespace korvel
