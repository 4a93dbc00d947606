// SPDX-License-Identifier: MIT
#include "platform/preference_store.h"
#include "platform/qsettings_preference_store.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(PreferenceStoreTest, AbsentKeysReadAsNothingFalseZero) {
    MemoryPreferenceStore store;
    EXPECT_FALSE(store.string("x"));
    EXPECT_EQ(store.stringOrEmpty("x"), "");
    EXPECT_FALSE(store.boolean("x"));
    EXPECT_EQ(store.integer("x"), 0);
}

TEST(PreferenceStoreTest, ValuesReadAcrossTypes) {
    struct Row {
        PreferenceValue stored;
        std::string text;
        bool flag;
        std::int64_t number;
    };
    const Row rows[] = {
        {true, "true", true, 1},
        {false, "false", false, 0},
        {std::int64_t{9}, "9", true, 9},
        {std::int64_t{0}, "0", false, 0},
        {std::string("true"), "true", true, 0},
        {std::string("YES"), "YES", true, 0},
        {std::string("12"), "12", false, 12},
        {std::string("PAL"), "PAL", false, 0},
        {std::string(""), "", false, 0},
    };
    for (const Row& row : rows) {
        MemoryPreferenceStore store;
        store.setValue("k", row.stored);
        EXPECT_EQ(store.string("k"), row.text);
        EXPECT_EQ(store.boolean("k"), row.flag) << row.text;
        EXPECT_EQ(store.integer("k"), row.number) << row.text;
    }
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

class QSettingsPreferenceStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_path =
            std::filesystem::temp_directory_path() /
            ("korvel-prefs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
        std::filesystem::remove(m_path);
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    std::filesystem::path m_path;
};

// What one run stores, the next run reads back with the same meaning.
TEST_F(QSettingsPreferenceStoreTest, ValuesSurviveAReopen) {
    const std::pair<const char*, PreferenceValue> values[] = {
        {"TVSys", std::string("24 fps")},
        {"modifyNameData", std::string("Truncate, add \".mov\"")},
        {"usertxt1", std::string("[empty]")},
        {"reelid01", std::string("")},
        {"lastAleDir", std::string("/Volumes/Shoot Day 1/A001 ; B=2 #3.ale")},
        {"clipType", std::string("Clips & SubClips")},
        {"reelid02", std::string("Bjørn / ümlaut")},
        {"DF", true},
        {"qtcWindows", false},
        {"korvelVersion", std::int64_t{9}},
    };
    {
        QSettingsPreferenceStore store(m_path.string());
        for (const auto& [key, value] : values) {
            store.setValue(key, value);
        }
    }
    QSettingsPreferenceStore reopened(m_path.string());
    for (const auto& [key, value] : values) {
        EXPECT_EQ(reopened.string(key), preferenceText(value)) << key;
    }
    EXPECT_TRUE(reopened.boolean("DF"));
    EXPECT_FALSE(reopened.boolean("qtcWindows"));
    EXPECT_EQ(reopened.integer("korvelVersion"), 9);
    EXPECT_EQ(reopened.keys().size(), std::size(values));
    reopened.remove("DF");
    EXPECT_FALSE(reopened.contains("DF"));
}

TEST_F(QSettingsPreferenceStoreTest, HandWrittenListValueReadsAsOneText) {
    std::ofstream(m_path) << "[General]\nmodifyNameData=Truncate, add .mov\n";
    QSettingsPreferenceStore store(m_path.string());
    EXPECT_EQ(store.string("modifyNameData"), "Truncate, add .mov");
}

} // namespace
} // namespace korvel
