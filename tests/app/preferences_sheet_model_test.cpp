// SPDX-License-Identifier: MIT
#include "app/preference_keys.h"
#include "app/preferences_sheet_model.h"
#include "app/startup.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

struct Enabled {
    std::string_view id;
    bool enabled;
};

void expectEnabled(const PreferencesSheetModel& model, const std::vector<Enabled>& expected,
                   const std::string& context) {
    for (const Enabled& row : expected) {
        EXPECT_EQ(model.state(row.id).enabled, row.enabled) << context << ": " << row.id;
    }
}

MemoryPreferenceStore firstRunStore() {
    MemoryPreferenceStore store;
    static_cast<void>(prepareStore(store, "/home/editor"));
    return store;
}

TEST(PreferencesSheetModelTest, EveryControlHasATitleAndItsItems) {
    for (const ControlDescription& desc : PreferencesSheetModel::controls()) {
        EXPECT_FALSE(desc.title.empty()) << desc.id;
        const bool listed = desc.kind == ControlKind::PopUp || desc.kind == ControlKind::Radio;
        EXPECT_EQ(!desc.items.empty(), listed) << desc.id;
    }
    const ControlDescription* modify = PreferencesSheetModel::control("buttonModifyNameData");
    ASSERT_NE(modify, nullptr);
    EXPECT_EQ(modify->items.at(2), "Truncate, add \".mov\"");
}

TEST(PreferencesSheetModelTest, LoadingFollowsTheStore) {
    struct Row {
        std::string name;
        std::vector<std::pair<std::string_view, PreferenceValue>> stored;
        std::string_view id;
        std::string_view shows; // value shown, or "on"/"off" for a check box
        bool enabled;
    };
    const std::vector<Row> rows = {
        {"DF under NTSC", {{"TVSys", "NTSC"}, {"DF", true}}, "DFButton", "on", true},
        {"DF kept under PAL", {{"DF", true}}, "DFButton", "on", false},
        {"empty sample rate", {{"BWFSampleRate", ""}}, "BWFSampleRate", "Same as Source", false},
        {"sample rate with 24 to 16",
         {{"BWFSampleRate", "48000 kHz"}, {"button24to16", true}},
         "BWFSampleRate",
         "48000 kHz",
         true},
        {"unknown merge value keeps item",
         {{"BWFMergeTracks", "Ch. 9 & 10"}},
         "BWFMergeTracks",
         "None",
         true},
        {"header language off", {}, "BatchListHeaderLanguish", "English", false},
        {"header language on",
         {{"clickCreateFCPBatchList", true}, {"BatchListHeaderLanguish", "French"}},
         "BatchListHeaderLanguish",
         "French",
         true},
        {"ALE column", {{"tcColumn", "Auxiliary TC3"}}, "tcColumnSelector", "[ALE] Aux TC 3", true},
        {"FCP column shown",
         {{"tcColumn", "Aux TC 2"}},
         "tcColumnSelector",
         "[FCP] Aux TC 2",
         true},
        {"unknown column", {{"tcColumn", "Whatever"}}, "tcColumnSelector", "[ALE] Start", true},
        {"BWF DF under NTSC", {{"TVSys", "NTSC"}, {"BWFDFTC", true}}, "BWFDFTC", "on", true},
        {"media version tag 1",
         {{"mediaFileVersion", "QuickTime 3"}},
         "mediaFilesVersionButton",
         "QuickTime 3 or earlier",
         true},
        {"24 fps choice tag 1",
         {{"TVSys", "24 fps"}, {"ale2fcpTCConversion", "other"}},
         "ale2fcp24TCSelectField",
         "Use TC 24 Start field",
         true},
        {"24 fps with TC 24 Start",
         {{"TVSys", "24 fps"}, {"tcColumn", "TC 24 Start"}},
         "convertTo24Tc",
         "off",
         false},
        {"24 fps with Start", {{"TVSys", "24 fps"}}, "convertTo24Tc", "off", true},
        {"user field", {{"usertxt2", "Camera"}}, "alePrefUserTxt2", "Camera", true},
        {"link media",
         {{"BWFMediaConversion", "Link To BWF Files"}},
         "BWFMergeTracks",
         "None",
         false},
        {"no media value: self-contained",
         {},
         "BWFMediaConversion",
         "Make Self Contained Movies",
         true},
    };
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

TEST(PreferencesSheetModelTest, LoadingRepairsEmptyValues) {
    MemoryPreferenceStore store = firstRunStore();
    for (std::string_view key :
         {"BatchListHeaderLanguish", "BWFTapeIDSelect", "BWFMergeTracks", "BWFfpsRate"}) {
        store.setString(key, "");
    }
    PreferencesSheetModel model(store);
    model.loadFromStore();
    EXPECT_EQ(store.stringOrEmpty("BatchListHeaderLanguish"), "English");
    EXPECT_EQ(store.stringOrEmpty("BWFTapeIDSelect"), "TapeID from BWF File");
    EXPECT_EQ(store.stringOrEmpty("BWFMergeTracks"), "None");
    EXPECT_EQ(store.stringOrEmpty("BWFfpsRate"), "PAL");
    EXPECT_EQ(model.state("BWFfpsRate").value, "PAL");
}

TEST(PreferencesSheetModelTest, TVSystemSwitchChangesOnlyEnabledStates) {
    const std::vector<std::pair<std::string, std::vector<Enabled>>> rows = {
        {"NTSC",
         {{"DFButton", true},
          {"convertTo24Tc", false},
          {"ale2fcp24TCSelectField", false},
          {"BWFDFTC", true}}},
        {"PAL",
         {{"DFButton", false},
          {"convertTo24Tc", false},
          {"ale2fcp24TCSelectField", false},
          {"BWFDFTC", false}}},
        {"24 fps",
         {{"DFButton", false},
          {"convertTo24Tc", true},
          {"ale2fcp24TCSelectField", true},
          {"BWFDFTC", false}}},
    };
    for (const auto& [choice, expected] : rows) {
        MemoryPreferenceStore store = firstRunStore();
        PreferencesSheetModel model(store);
        model.loadFromStore();
        model.choose("setTVSysButton", "NTSC");
        model.setChecked("DFButton", true);
        model.choose("setTVSysButton", choice);
        expectEnabled(model, expected, choice);
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
    model.choose("BWFMediaConversion", "Link To BWF Files");
    EXPECT_EQ(store.stringOrEmpty("BWFMediaConversion"), "Link To BWF Files");
    expectEnabled(model,
                  {{"buttonMergeMixdown", false},
                   {"button24to16", false},
                   {"BWFMergeTracks", false},
                   {"BWFSampleRate", false}},
                  "link");
    model.choose("BWFMediaConversion", "Make Self Contained Movies");
    expectEnabled(model,
                  {{"buttonMergeMixdown", true},
                   {"button24to16", true},
                   {"BWFMergeTracks", true},
                   {"BWFSampleRate", true}},
                  "self-contained");
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

} // namespace
} // namespace korvel
