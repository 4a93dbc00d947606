// SPDX-License-Identifier: MIT
#include "platform/preference_store.h"
#include "platform/qsettings_preference_store.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(PreferenceStoreTest, ValuesReadAcrossTypes) {
    struct Row {
        PreferenceValue stored;
        std::string text;
        bool flag;
        std::int64_t number;
    };
    const Row rows[] = {
        {true, "true", true, 1},
        {std::int64_t{9}, "9", true, 9},
        {std::string("true"), "true", true, 0},
        {std::string("YES"), "YES", true, 0},
        {std::string("12"), "12", false, 12},
        {std::string(""), "", false, 0},
    };
    for (const Row& row : rows) {
        MemoryPreferenceStore store;
        store.setValue("k", row.stored);
        EXPECT_EQ(store.string("k"), row.text);
        EXPECT_EQ(store.boolean("k"), row.flag) << row.text;
        EXPECT_EQ(store.integer("k"), row.number) << row.text;
    }
    // Absent keys read as nothing, false and zero.
    MemoryPreferenceStore store;
    EXPECT_FALSE(store.string("x"));
    EXPECT_EQ(store.stringOrEmpty("x"), "");
    EXPECT_FALSE(store.boolean("x") || store.integer("x") != 0);
}

TEST(OverlayPreferenceStoreTest, OverridesAreForOneRun) {
    MemoryPreferenceStore base;
    base.setString("TVSys", "PAL");
    base.setBoolean("DF", true);
    OverlayPreferenceStore overlay(base);
    overlay.override("TVSys", std::string("NTSC"));
    overlay.override("DF", false);
    overlay.override("BWFfpsRate", std::string("NTSC DF"));

    EXPECT_EQ(overlay.stringOrEmpty("TVSys"), "NTSC");
    EXPECT_FALSE(overlay.boolean("DF"));
    EXPECT_EQ(base.stringOrEmpty("TVSys"), "PAL"); // the store keeps its value
    EXPECT_EQ(overlay.keys(), (std::vector<std::string>{"BWFfpsRate", "DF", "TVSys"}));

    // An operation that writes a key stores it and sees what it wrote.
    overlay.setString("TVSys", "24 fps");
    EXPECT_EQ(overlay.stringOrEmpty("TVSys"), "24 fps");
    EXPECT_EQ(base.stringOrEmpty("TVSys"), "24 fps");
    overlay.remove("DF");
    EXPECT_FALSE(overlay.contains("DF"));
    EXPECT_FALSE(base.contains("DF"));
}

class QSettingsPreferenceStoreTest : public test::OutputFolderTest {};

// What one run stores, the next run reads back with the same meaning.
TEST_F(QSettingsPreferenceStoreTest, ValuesSurviveAReopen) {
    const std::pair<const char*, PreferenceValue> values[] = {
        {"TVSys", std::string("24 fps")},
        {"modifyNameData", std::string("Truncate, add \".mov\"")},
        {"reelid01", std::string("")},
        {"lastAleDir", std::string("/Volumes/Shoot Day 1/A001 ; B=2 #3.ale")},
        {"reelid02", std::string("Bjørn / ümlaut")},
        {"DF", true},
        {"qtcWindows", false},
        {"korvelVersion", std::int64_t{9}},
    };
    {
        QSettingsPreferenceStore store(path("prefs.ini"));
        for (const auto& [key, value] : values) {
            store.setValue(key, value);
        }
    }
    QSettingsPreferenceStore reopened(path("prefs.ini"));
    for (const auto& [key, value] : values) {
        EXPECT_EQ(reopened.string(key), preferenceText(value)) << key;
    }
    EXPECT_TRUE(reopened.boolean("DF") && !reopened.boolean("qtcWindows"));
    EXPECT_EQ(reopened.integer("korvelVersion"), 9);
    EXPECT_EQ(reopened.keys().size(), std::size(values));
    reopened.remove("DF");
    EXPECT_FALSE(reopened.contains("DF"));
}

TEST_F(QSettingsPreferenceStoreTest, HandWrittenListValueReadsAsOneText) {
    std::ofstream(path("prefs.ini")) << "[General]\nmodifyNameData=Truncate, add .mov\n";
    QSettingsPreferenceStore store(path("prefs.ini"));
    EXPECT_EQ(store.string("modifyNameData"), "Truncate, add .mov");
}

} // namespace
} // namespace korvel
