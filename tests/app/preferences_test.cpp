// SPDX-License-Identifier: MIT
// The preferences (first run, reset, typed values) and the sheet and toolbar models built on them.
#include "app/default_preferences.h"
#include "app/preference_keys.h"
#include "app/preferences_sheet_model.h"
#include "app/reel_id_history.h"
#include "app/startup.h"
#include "app/toolbar_model.h"
#include "platform/scripted_user_interface.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

const std::string kHome = "/Users/editor";

// Every stored key and value, in order.
std::string storedText(const PreferenceStore& store) {
    std::string text;
    for (const std::string& key : store.keys()) {
        text += key + "=" + *store.string(key) + "|";
    }
    return text;
}

TEST(StartupTest, FirstRunWritesExactlyTheDefaults) {
    MemoryPreferenceStore store;
    store.setBoolean("DF", true); // left over without "TVSys": still a first run
    const StartupOutcome outcome = prepareStore(store, kHome);
    EXPECT_TRUE(outcome.firstRun);
    EXPECT_FALSE(outcome.updateNotice);
    EXPECT_EQ(storedText(store),
              "BWFMergeTracks=None|BWFSampleRate=Same as Source|BWFTapeIDSelect=TapeID from BWF "
              "File|BWFXMLFormat=Clip list|BWFfpsRate=PAL|BatchListHeaderLanguish=English|TVSys="
              "PAL|ale2fcpAleDir=/Users/editor|ale2fcpFCPvers=FCP 4|ale2fcpFcpDir=/Users/editor|"
              "ale2fcpTCConversion=Convert Start field to 24 fps TC|button24to16=false|"
              "clickCreateFCPBatchList=false|clipType=Clips only|korvelVersion=9|mediaFileVersion="
              "QuickTime 4 or later|modifyNameData=No|movieExtension=.mov|qtcWindows=false|"
              "reelid01=|reelid02=|reelid03=|reelid04=|reelid05=|reelid06=|reelid07=|reelid08=|"
              "reelid09=|reelid10=|tcColumn=Start|usertxt1=[empty]|usertxt2=[empty]|usertxt3="
              "[empty]|usertxt4=[empty]|");
    EXPECT_FALSE(store.boolean("DF"));
    EXPECT_FALSE(store.boolean("seperateBins"));
    EXPECT_FALSE(store.boolean("convertTo24Tc"));
    // Every key written has the type the rest of the tool reads it as.
    for (const auto& preference : defaultPreferences(kHome)) {
        EXPECT_TRUE(preferenceType(preference.key)) << preference.key;
    }
}

TEST(StartupTest, NoticesFollowTheStoredVersion) {
    struct Row {
        const char* name;
        bool hasTvSys;
        std::optional<std::int64_t> version;
        bool firstRun;
        bool updateNotice;
        std::int64_t versionAfter;
    };
    const Row rows[] = {
        {"first run with version 9", false, 9, true, false, 9},
        {"update from 8", true, 8, false, true, 9},
        {"update from nothing", true, std::nullopt, false, true, 9},
        {"same version", true, 9, false, false, 9},
        {"newer version kept", true, 12, false, false, 12},
    };
    for (const Row& row : rows) {
        MemoryPreferenceStore store;
        if (row.hasTvSys) {
            store.setString("TVSys", "NTSC");
        }
        if (row.version) {
            store.setInteger("korvelVersion", *row.version);
        }
        const StartupOutcome outcome = prepareStore(store, kHome);
        EXPECT_EQ(outcome.firstRun, row.firstRun) << row.name;
        EXPECT_EQ(outcome.updateNotice, row.updateNotice) << row.name;
        EXPECT_EQ(store.integer("korvelVersion"), row.versionAfter) << row.name;
        EXPECT_EQ(store.stringOrEmpty("TVSys"), row.hasTvSys ? "NTSC" : "PAL") << row.name;
        // The next start shows nothing.
        const StartupOutcome again = prepareStore(store, kHome);
        EXPECT_FALSE(again.firstRun || again.updateNotice) << row.name;

        ScriptedUserInterface ui;
        showStartupNotice(ui, outcome);
        ASSERT_EQ(ui.alerts().size(), outcome.firstRun || outcome.updateNotice ? 1u : 0u);
        if (outcome.firstRun) {
            EXPECT_EQ(ui.alerts()[0].title, "Thanks for installing Korvel Tools!");
            EXPECT_EQ(ui.beeps(), 0);
        } else if (outcome.updateNotice) {
            EXPECT_EQ(ui.events()[0], "beep");
            EXPECT_EQ(ui.alerts()[0].title, "You have updated Korvel Tools!");
            EXPECT_EQ(ui.alerts()[0].message,
                      "You can learn more about this version in the Release Notes and the User "
                      "Guide under menu \"Help\".");
        }
    }
}

TEST(StartupTest, EmptyValuesAreRepairedOthersKept) {
    MemoryPreferenceStore store;
    store.setString("TVSys", "24 fps");
    store.setString("BWFfpsRate", "");
    store.setString("BatchListHeaderLanguish", "French");
    store.setString("BWFSampleRate", "");
    static_cast<void>(prepareStore(store, kHome));
    EXPECT_EQ(store.stringOrEmpty("BWFfpsRate"), "PAL");
    EXPECT_EQ(store.stringOrEmpty("BatchListHeaderLanguish"), "French");
    EXPECT_EQ(store.stringOrEmpty("BWFTapeIDSelect"), "TapeID from BWF File");
    EXPECT_EQ(store.stringOrEmpty("BWFMergeTracks"), "None");
    EXPECT_EQ(store.string("BWFSampleRate"), ""); // shown as "Same as Source", not stored
}

TEST(ResetPreferencesTest, ForgetsEverythingElse) {
    MemoryPreferenceStore store;
    store.setString("TVSys", "NTSC");
    store.setBoolean("DF", true);
    store.setString("lastAleDir", "/x/y.ale");
    store.setString("reelid01", "A001");
    resetPreferences(store, kHome);
    MemoryPreferenceStore fresh;
    static_cast<void>(prepareStore(fresh, kHome));
    EXPECT_EQ(storedText(store), storedText(fresh));
}

TEST(ReelIdHistoryTest, Sequences) {
    struct Row {
        const char* name;
        std::vector<std::string> added;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"none", {}, {"", "", "", "", "", "", "", "", "", ""}},
        {"A, B, A", {"A", "B", "A"}, {"A", "B", "A", "", "", "", "", "", "", ""}},
        {"same twice", {"A", "A"}, {"A", "", "", "", "", "", "", "", "", ""}},
        {"eleven drop the oldest",
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"},
         {"11", "10", "9", "8", "7", "6", "5", "4", "3", "2"}},
        {"empty id takes a place", {"A", ""}, {"", "A", "", "", "", "", "", "", "", ""}},
    };
    for (const Row& row : rows) {
        MemoryPreferenceStore store;
        initialiseReelIdHistory(store);
        for (const std::string& reel : row.added) {
            recordReelId(store, reel);
        }
        EXPECT_EQ(reelIdHistory(store), row.expected) << row.name;
    }
}

TEST(ParsePreferenceValueTest, TypedByKey) {
    EXPECT_EQ(*parsePreferenceValue("korvelVersion", "12"), PreferenceValue(std::int64_t{12}));
    for (auto [key, text] : {std::pair{"DF", "yes"}, {"korvelVersion", "9a"}, {"tvsys", "PAL"}}) {
        EXPECT_FALSE(parsePreferenceValue(key, text).ok()) << key << "=" << text;
    }
}

// A popup key takes only its choices, and the refusal names them.
TEST(ParsePreferenceValueTest, PopupKeysTakeOnlyTheirChoices) {
    const struct {
        const char* key;
        const char* good;
        const char* bad;
        const char* named;
    } rows[] = {
        {"TVSys", "59.94 fps", "59.94",
         "\"23.976 fps\", \"30 fps\", \"50 fps\", \"59.94 fps\", \"60 fps\""},
        {"tcColumn", "Aux TC 2", "[ALE] Start", "\"Auxiliary TC1\""},
        {"BWFMergeTracks", "Ch. 1 & 2", "Ch. 1&2", "\"Ch. 1 & 2\""},
        {"BWFSampleRate", "44100 kHz", "96000 kHz", "\"Same as Source\""},
        {"BWFXMLFormat", "xmeml 5", "xmeml5", "\"Clip list\", \"xmeml 5\""},
        {"modifyNameData", "Truncate, add \".mov\"", "Truncate, add .mov", "\"Truncate\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(*parsePreferenceValue(row.key, row.good), PreferenceValue(std::string(row.good)));
        const auto refused = parsePreferenceValue(row.key, row.bad);
        ASSERT_FALSE(refused.ok()) << row.key;
        EXPECT_NE(refused.error().message.find(row.named), std::string::npos)
            << row.key << ": " << refused.error().message;
    }
    EXPECT_TRUE(parsePreferenceValue("movieExtension", ".MXF").ok()); // not a popup: any text
}

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
