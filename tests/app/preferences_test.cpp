// SPDX-License-Identifier: MIT
#include "app/default_preferences.h"
#include "app/preference_keys.h"
#include "app/reel_id_history.h"
#include "app/startup.h"
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

} // namespace
} // namespace korvel
