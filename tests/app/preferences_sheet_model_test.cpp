// SPDX-License-Identifier: MIT
// The models behind the desktop windows: the preferences sheet and the toolbar.
#include "app/preference_keys.h"
#include "app/preferences_sheet_model.h"
#include "app/startup.h"
#include "app/toolbar_model.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

MemoryPreferenceStore firstRunStore() {
    MemoryPreferenceStore store;
    static_cast<void>(prepareStore(store, "/home/editor"));
    return store;
}

TEST(PreferencesSheetModelTest, LoadingFollowsTheStore) {
    struct Row {
        std::string name;
        std::vector<std::pair<std::string_view, PreferenceValue>> stored;
        std::string_view id;
        std::string_view shows; // value shown, or "on"/"off" for a check box
        bool enabled;
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"DF under NTSC", {{"TVSys", "NTSC"}, {"DF", true}}, "DFButton", "on", true},
        {"DF kept under PAL", {{"DF", true}}, "DFButton", "on", false},
        {"empty sample rate", {{"BWFSampleRate", ""}}, "BWFSampleRate", "Same as Source", false},
        {"sample rate with 24 to 16", {{"BWFSampleRate", "48000 kHz"}, {"button24to16", true}},
         "BWFSampleRate", "48000 kHz", true},
        {"unknown merge value", {{"BWFMergeTracks", "Ch. 9 & 10"}}, "BWFMergeTracks", "None", true},
        {"header language off", {}, "BatchListHeaderLanguish", "English", false},
        {"ALE column", {{"tcColumn", "Auxiliary TC3"}}, "tcColumnSelector", "[ALE] Aux TC 3", true},
        {"FCP column", {{"tcColumn", "Aux TC 2"}}, "tcColumnSelector", "[FCP] Aux TC 2", true},
        {"unknown column", {{"tcColumn", "Whatever"}}, "tcColumnSelector", "[ALE] Start", true},
        {"media version tag 1", {{"mediaFileVersion", "QuickTime 3"}}, "mediaFilesVersionButton",
         "QuickTime 3 or earlier", true},
        {"24 fps choice tag 1", {{"TVSys", "24 fps"}, {"ale2fcpTCConversion", "other"}},
         "ale2fcp24TCSelectField", "Use TC 24 Start field", true},
        {"24 fps with TC 24 Start", {{"TVSys", "24 fps"}, {"tcColumn", "TC 24 Start"}},
         "convertTo24Tc", "off", false},
        {"link media", {{"BWFMediaConversion", "Link To BWF Files"}}, "BWFMergeTracks", "None",
         false},
        {"no media value", {}, "BWFMediaConversion", "Make Self Contained Movies", true},
    };
    // clang-format on
    for (const Row& row : rows) {
        MemoryPreferenceStore store = firstRunStore();
        for (const auto& [key, value] : row.stored) {
            store.setValue(key, value);
        }
        PreferencesSheetModel model(store);
        model.loadFromStore();
        const ControlState& state = model.state(row.id);
        const bool checkBox = PreferencesSheetModel::control(row.id)->kind == ControlKind::CheckBox;
        EXPECT_EQ(checkBox ? (state.checked ? "on" : "off") : state.value, row.shows) << row.name;
        EXPECT_EQ(state.enabled, row.enabled) << row.name;
    }
}

TEST(PreferencesSheetModelTest, TVSystemSwitchChangesOnlyEnabledStates) {
    // The TV system, and whether drop frame, 24 fps conversion, its field and BWF drop frame are
    // enabled after it.
    for (const auto& [choice, enabled] :
         {std::pair{"NTSC", "1001"}, {"PAL", "0000"}, {"24 fps", "0110"}}) {
        MemoryPreferenceStore store = firstRunStore();
        PreferencesSheetModel model(store);
        model.loadFromStore();
        model.choose("setTVSysButton", "NTSC");
        model.setChecked("DFButton", true);
        model.choose("setTVSysButton", choice);
        std::string shown;
        for (const char* id : {"DFButton", "convertTo24Tc", "ale2fcp24TCSelectField", "BWFDFTC"}) {
            shown += model.state(id).enabled ? '1' : '0';
        }
        EXPECT_EQ(shown, enabled) << choice;
        EXPECT_TRUE(store.boolean("DF")) << choice;
        EXPECT_EQ(store.stringOrEmpty("TVSys"), "PAL") << "stored only on close: " << choice;
        model.savePrefs();
        EXPECT_EQ(store.stringOrEmpty("TVSys"), choice);
    }
}

TEST(PreferencesSheetModelTest, TimecodeColumnRuleUnder24Fps) {
    MemoryPreferenceStore store = firstRunStore();
    PreferencesSheetModel model(store);
    model.loadFromStore();
    model.choose("setTVSysButton", "24 fps");
    const std::vector<std::tuple<std::string_view, std::string_view, bool>> steps = {
        {"[ALE] TC 24 Start", "TC 24 Start", false},
        {"[FCP] Media Start", "Media Start", false}, // unchanged
        {"[ALE] Aux TC 1", "Auxiliary TC1", true},
        {"[FCP] Aux TC 2", "Aux TC 2", true}, // unchanged
    };
    for (const auto& [title, stored, enabled] : steps) {
        model.choose("tcColumnSelector", title);
        EXPECT_EQ(store.stringOrEmpty("tcColumn"), stored) << title;
        EXPECT_EQ(model.state("convertTo24Tc").enabled, enabled) << title;
    }
    model.choose("setTVSysButton", "PAL");
    model.choose("tcColumnSelector", "[ALE] Start");
    EXPECT_FALSE(model.state("convertTo24Tc").enabled) << "no change outside 24 fps";
}

TEST(PreferencesSheetModelTest, HandlersWriteThroughAtOnce) {
    MemoryPreferenceStore store = firstRunStore();
    PreferencesSheetModel model(store);
    model.loadFromStore();
    model.setChecked("myCreateFCPBLButton", true);
    EXPECT_TRUE(store.boolean("clickCreateFCPBatchList"));
    EXPECT_TRUE(model.state("BatchListHeaderLanguish").enabled);
    model.setChecked("button24to16", false);
    EXPECT_FALSE(model.state("BWFSampleRate").enabled);
    for (const auto& [conversion, enabled] :
         {std::pair{"Link To BWF Files", false}, {"Make Self Contained Movies", true}}) {
        model.choose("BWFMediaConversion", conversion);
        for (const char* id :
             {"buttonMergeMixdown", "button24to16", "BWFMergeTracks", "BWFSampleRate"}) {
            EXPECT_EQ(model.state(id).enabled, enabled) << conversion << " " << id;
        }
    }
    EXPECT_EQ(store.stringOrEmpty("BWFMediaConversion"), "Make Self Contained Movies");
    model.choose("movieExtension", "None");
    EXPECT_EQ(store.stringOrEmpty("movieExtension"), "None");
    model.choose("movieExtension", "not an item");
    EXPECT_EQ(store.stringOrEmpty("movieExtension"), "None");
}

TEST(PreferencesSheetModelTest, UserFieldsAreStoredOnClose) {
    MemoryPreferenceStore store = firstRunStore();
    PreferencesSheetModel model(store);
    model.loadFromStore();
    model.setText("alePrefUserTxt1", "Camera");
    EXPECT_EQ(store.stringOrEmpty("usertxt1"), "[empty]");
    model.savePrefs();
    EXPECT_EQ(store.stringOrEmpty("usertxt1"), "Camera");
    model.restoreDefaultUserFields();
    EXPECT_EQ(store.stringOrEmpty("usertxt1"), "[empty]");
    EXPECT_EQ(model.state("alePrefUserTxt1").value, "[empty]");
}

TEST(ToolbarModelTest, EnablingRule) {
    struct Row {
        std::string name;
        OpenMovieState movie;
        bool addtc;
        bool deletetc;
    };
    const std::vector<Row> rows = {
        {"no movie", {}, false, false},
        {"movie with timecode", {true, true, false}, false, true},
        {"movie that may get timecode", {true, false, true}, true, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(validateToolbarItem("addtc", row.movie), row.addtc) << row.name;
        EXPECT_EQ(validateToolbarItem("deletetc", row.movie), row.deletetc) << row.name;
        for (std::string_view other : {"prefs", "baddtc", "checkupdate", "ale2fcp", "fcp2ale",
                                       "log", "help", "bwf2qt", "unknown"}) {
            EXPECT_TRUE(validateToolbarItem(other, row.movie)) << row.name << " " << other;
        }
    }
}

TEST(ToolbarModelTest, ConfigurationSurvivesTheStore) {
    struct Row {
        std::string name;
        std::vector<std::string> saved;
        std::vector<std::string> loaded;
    };
    const std::vector<Row> rows = {
        {"custom", {"prefs", "space", "bwf2qt", "help"}, {"prefs", "space", "bwf2qt", "help"}},
        {"unknown dropped", {"prefs", "bogus"}, {"prefs"}},
        {"empty gives defaults",
         {},
         {"addtc", "deletetc", "baddtc", "ale2fcp", "fcp2ale", "flexiblespace", "log", "help"}},
    };
    for (const Row& row : rows) {
        MemoryPreferenceStore store;
        saveToolbarConfiguration(store, row.saved);
        EXPECT_EQ(loadToolbarConfiguration(store), row.loaded) << row.name;
    }
}

} // namespace
} // namespace korvel
