// SPDX-License-Identifier: MIT
// The preference stores, and the property-list reader: both forms, and what it must refuse.
#include "platform/preference_store.h"
#include "platform/property_list.h"
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

using Kind = PropertyListValue::Kind;

TEST(PropertyList, XmlFormWithEveryKindOfValue) {
    const auto plist = parsePropertyList(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"x.dtd\">\n"
        "<!-- written by hand -->\n"
        "<plist version=\"1.0\"><dict>\n"
        "  <key>n</key> <integer> -42 </integer>\n"
        "  <key>hex</key><integer>0x1F</integer>\n"
        "  <key>r</key><real>2.5</real>\n"
        "  <key>t</key><true/> <key>f</key><false></false>\n"
        "  <key>s</key><string>A &lt;&amp;&gt; &#233;&#x1F3AC; <![CDATA[<raw>]]></string>\n"
        "  <key>empty</key><string/>\n"
        "  <key>d</key><date>2026-12-07T10:00:00Z</date>\n"
        "  <key>bytes</key><data>\n  S29y\n  dmVs\n</data>\n"
        "  <key>list</key><array><string>a</string><dict/><array/></array>\n"
        "</dict></plist>\n");
    ASSERT_TRUE(plist.ok()) << plist.error().message;
    ASSERT_EQ(plist->kind, Kind::Dictionary);
    EXPECT_EQ(plist->find("n")->integer, -42);
    EXPECT_EQ(plist->find("hex")->integer, 31);
    EXPECT_EQ(plist->find("r")->real, 2.5);
    EXPECT_TRUE(plist->find("t")->boolean);
    EXPECT_FALSE(plist->find("f")->boolean);
    EXPECT_EQ(plist->find("s")->text, "A <&> \xC3\xA9\xF0\x9F\x8E\xAC <raw>");
    EXPECT_EQ(plist->find("empty")->text, "");
    EXPECT_EQ(plist->find("d")->kind, Kind::Date);
    EXPECT_EQ(plist->find("bytes")->text, "Korvel");
    ASSERT_EQ(plist->find("list")->array.size(), 3u);
    EXPECT_EQ(plist->find("list")->array[1].kind, Kind::Dictionary);
    EXPECT_EQ(plist->find("missing"), nullptr);
}

TEST(PropertyList, TextForm) {
    const auto plist = parsePropertyList("// the old form\n"
                                         "{\n"
                                         "  myVersionNumber = 17;\n"
                                         "  \"my Name\" = \"1.3 \\\"final\\\"\\n\\U00e9\\101\";\n"
                                         "  list = (a, \"b c\", (), {},);\n"
                                         "  /* bytes */ bytes = <4b6f 7276 656c>;\n"
                                         "}\n");
    ASSERT_TRUE(plist.ok()) << plist.error().message;
    EXPECT_EQ(plist->find("myVersionNumber")->kind, Kind::String);
    EXPECT_EQ(plist->find("myVersionNumber")->integerValue(), 17);
    EXPECT_EQ(plist->find("my Name")->text, "1.3 \"final\"\n\xC3\xA9"
                                            "A");
    EXPECT_EQ(plist->find("list")->array.size(), 4u);
    EXPECT_EQ(plist->find("bytes")->text, "Korvel");
}

TEST(PropertyList, IntegerValueAsThePlatformReadsIt) {
    const std::pair<const char*, std::int64_t> cases[] = {
        {"<integer>17</integer>", 17},
        {"<real>16.9</real>", 16},
        {"<true/>", 1},
        {"<string> +18abc</string>", 18},
        {"<string>v17</string>", 0},
        {"<date>2026</date>", 0},
        {"<string>99999999999999999999</string>", INT64_MAX},
    };
    for (const auto& [xml, expected] : cases) {
        const auto value = parsePropertyList(xml);
        ASSERT_TRUE(value.ok()) << xml << ": " << value.error().message;
        EXPECT_EQ(value->integerValue(), expected) << xml;
    }
}

TEST(PropertyList, RefusesWhatIsNotAPropertyList) {
    const char* const refused[] = {
        "",
        "bplist00\x01\x02",
        "<html><body>404</body></html>",
        "<plist><dict><key>a</key></dict></plist>",       // a key without its value
        "<plist><dict><string>a</string></dict></plist>", // a value without a key
        "<plist><dict></array></plist>",
        "<plist><integer>12x</integer></plist>",
        "<plist><integer>9223372036854775808</integer></plist>",
        "<plist><true>yes</true></plist>",
        "<plist><data>S29y!</data></plist>",
        "<plist><string>&bogus;</string></plist>",
        "<plist><string>&#0;</string></plist>",
        "<plist><string><b>bold</b></string></plist>",
        "<plist><string>a</string><string>b</string></plist>", // two values
        "<plist><string>a</string></plist> trailing",
        "<plist><!-- unclosed </plist>",
        "{ a = 1 }", // no ';'
        "{ a = \"open; }",
        "( a b )",
        "<4b6>",
        "/* never closed",
        "{ a = \"\\U00\"; }",
    };
    for (const char* text : refused) {
        EXPECT_FALSE(parsePropertyList(text).ok()) << text;
    }
}

TEST(PropertyList, NestingIsBounded) {
    const auto nested = [](int depth, const std::string& open, const std::string& close) {
        std::string opened, closed;
        for (int i = 0; i < depth; ++i) {
            opened += open;
            closed += close;
        }
        return opened + closed;
    };
    EXPECT_TRUE(parsePropertyList(nested(kPropertyListMaxDepth, "<array>", "</array>")).ok());
    EXPECT_FALSE(parsePropertyList(nested(kPropertyListMaxDepth + 1, "<array>", "</array>")).ok());
    EXPECT_TRUE(parsePropertyList(nested(kPropertyListMaxDepth, "(", ")")).ok());
    EXPECT_FALSE(parsePropertyList(nested(100000, "(", ")")).ok());
}

} // namespace
} // namespace korvel
