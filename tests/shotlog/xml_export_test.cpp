// SPDX-License-Identifier: MIT
#include "shotlog/xmeml_export.h"
#include "shotlog/xml_export.h"
#include "shotlog_test_support.h"
#include "support/outside_tools.h"

#include <fstream>
#include <gtest/gtest.h>
#include <vector>

namespace korvel {
namespace {

XmlClipData clip(std::string name, std::string tracks) {
    // clang-format off
    return {{"Name", std::move(name)}, {"Tracks", std::move(tracks)}, {"Description", "desc"},
            {"Scene", "12"}, {"Shot/Take", "3"}, {"Log Note", "note"}, {"Comment 1", "c1"},
            {"Comment 2", "c2"}, {"Comment 4", "c4"}, {"Filename", "/media/day 1/clip.mov"},
            {"Media Start", "10:00:00:00"}, {"Reel", "R1"}};
    // clang-format on
}

// A clip at the rate of a BWF frame-rate choice.
std::string clipXml(const XmlClipData& data, std::string_view rate) {
    return KTxmlexport::createXMLClip(data, BwfFrameRate::parse(rate)->xmlTimebase());
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(KTxmlexport, WholeClipNtscNdf) {
    test::expectGolden("clip_ntsc_ndf.xml", clipXml(clip("A001", "1V, 2A"), "NTSC NDF"));
}

TEST(KTxmlexport, TrackSectionsFollowTracks) {
    const struct {
        std::string tracks;
        int video;
        int audio;
    } cases[] = {{"1V, 2A", 1, 2}, {"1V, 1A", 1, 1}, {"1V", 1, 0}, {"2A", 0, 2},
                 {"1A", 0, 1},     {"4A", 0, 2},     {"6A", 0, 2}, {"1V, 8A", 1, 2},
                 {"V", 1, 0},      {"0A", 0, 0},     {"", 0, 0},   {"99999999999999999999A", 0, 2}};
    for (const auto& c : cases) {
        const std::string xml = clipXml(clip("A001", c.tracks), "PAL");
        EXPECT_EQ(count(xml, "\t\t\t<video>\r"), c.video) << c.tracks;
        EXPECT_EQ(count(xml, "\t\t\t<audio>\r"), c.audio) << c.tracks;
        EXPECT_EQ(count(xml, "\t\t\t\t<track>\r"), c.video + c.audio) << c.tracks;
    }
}

TEST(KTxmlexport, RatesAndFormats) {
    const struct {
        std::string_view choice;
        std::string_view expected;
    } cases[] = {
        {"PAL", "25 FALSE NDF"},    {"NTSC DF", "30 TRUE DF"},         {"NTSC NDF", "30 TRUE NDF"},
        {"24 fps", "24 FALSE NDF"}, {"23.976 fps", "24 TRUE NDF"},     {"30 fps", "30 FALSE NDF"},
        {"50 fps", "50 FALSE NDF"}, {"59.94 DF", "60 TRUE DF"},        {"59.94 NDF", "60 TRUE NDF"},
        {"60 fps", "60 FALSE NDF"}, {"From recorder", "25 FALSE NDF"},
    };
    for (const auto& c : cases) {
        const std::string xml = clipXml(clip("n", "1A"), c.choice);
        const auto between = [&](const std::string& open, const std::string& close) {
            const auto start = xml.find(open) + open.size();
            return xml.substr(start, xml.find(close, start) - start);
        };
        EXPECT_EQ(between("<timebase>", "</timebase>") + " " + between("<ntsc>", "</ntsc>") + " " +
                      between("<format>", "</format>"),
                  c.expected)
            << c.choice;
    }
}

TEST(KTxmlexport, DurationAndMissingKeys) {
    XmlClipData data = clip("A001", "1V");
    data["Duration"] = "2500";
    EXPECT_NE(clipXml(data, "NTSC NDF").find("<duration>2500</duration>"), std::string::npos);
    const std::string bare = clipXml({{"Tracks", "1A"}}, "PAL");
    EXPECT_NE(bare.find("<clip id=\"\">"), std::string::npos);
    EXPECT_NE(bare.find("<pathURL>file://localhost</pathURL>"), std::string::npos);
    EXPECT_NE(bare.find("<duration>125</duration>"), std::string::npos);
}

// What XML 1.0 forbids is left out, so the list stays well-formed whatever a recorder wrote.
TEST(KTxmlexport, EscapesValuesAndPaths) {
    const std::pair<std::string, std::string> cases[] = {
        {"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&apos;f"},
        {std::string("a\x01\x08\x0B\x0C\x1F"
                     "b\0c",
                     10),
         "abc"},
        {"tab\tline\ncr\r", "tab\tline\ncr\r"},
        {"x\xEF\xBF\xBEy\xEF\xBF\xBFz", "xyz"}, // U+FFFE, U+FFFF
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC"},
        {"bad\xFF\xC3(\xED\xA0\x80)", "bad()"}, // not UTF-8, a lone surrogate
        {"del\x7F", "del\x7F"},                 // allowed, if discouraged
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(escapeXml(text), expected) << text;
    }
    EXPECT_EQ(fileUrlOfPath("/a b/R&D's (1)/caf\xC3\xA9#?%.mov"),
              "file://localhost/a%20b/R&D's%20(1)/caf%C3%A9%23%3F%25.mov");
    XmlClipData data = clip("Tom & <Jerry>", "1A");
    data["Filename"] = "/x/Tom & Jerry.mov";
    const std::string xml = clipXml(data, "PAL");
    for (const char* part :
         {"<clip id=\"Tom &amp; &lt;Jerry&gt;\">", "<file id=\"Tom &amp; &lt;Jerry&gt;1\">",
          "<pathURL>file://localhost/x/Tom%20&amp;%20Jerry.mov</pathURL>"})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
}

TEST(KTxmlexport, DocumentIsWellFormed) {
    XmlClipData awkward = clip("Tom & \"Jerry's\" <cut>", "4A");
    awkward["Filename"] = "/x/\xC3\xA9t\xC3\xA9 & co.mov";
    // Control characters, as BWF description lines can carry them.
    awkward["Log Note"] = "slate\x01\x1B[0m clap";
    awkward["Scene"] = "4\x02"
                       "B";
    awkward["Comment 2"] = "Originator: \x7F\x0C\xEF\xBF\xBF";
    const std::string document = KTxmlexport::createXMLHeader() +
                                 clipXml(clip("A001", "1V, 2A"), "PAL") +
                                 clipXml(awkward, "NTSC DF") + KTxmlexport::createXMLFooter();
    EXPECT_EQ(
        document.substr(0, 83),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<!DOCTYPE xmeml>\r<xmeml version=\"0.5\">\r"
        "\t<cli");
    EXPECT_EQ(document.substr(document.size() - 9), "\r</xmeml>");
    EXPECT_NE(document.find("<lognote>slate[0m clap</lognote>"), std::string::npos);
    EXPECT_NE(document.find("<scene>4B</scene>"), std::string::npos);

    if (!test::haveProgram("xmllint")) {
        GTEST_SKIP() << "xmllint is not installed";
    }
    test::TempDir dir("korvel-xml-export");
    std::ofstream(dir.file("list.xml"), std::ios::binary) << document;
    const int status = test::runCommand("xmllint --noout " + dir.file("list.xml")).status;
    EXPECT_EQ(status, 0);
}

// Movies of different channel counts in one xmeml sequence: each lies after the one before on
// every track it has channels for, its file written once and referred to after, and text that
// is markup in XML stays text.
TEST(XmemlDocumentTest, MoviesFollowEachOtherOnTheirChannelsTracks) {
    const std::vector<XmemlClip> clips = {
        {"A&B.mov", "/m/A&B.mov", "R<1>", "01:00:00;00", 100, 48000, 24, 2, "1", "2", "", ""},
        {"C.mov", "/m/C.mov", "R2", "00:10:00;00", 50, 48000, 16, 1, "", "", "", ""},
    };
    const std::string xml = xmemlDocument("Day 1", clips, XmlTimebase{30, true, true});

    EXPECT_EQ(count(xml, "<track>"), 2);
    EXPECT_EQ(count(xml, "<clipitem "), 3);
    EXPECT_EQ(count(xml, "<pathurl>"), 2); // one full file per movie
    EXPECT_EQ(count(xml, "<file id=\"file-1\"/>"), 1);
    const std::string expected[] = {
        "<xmeml version=\"5\">",
        "<duration>150</duration>",                       // the sequence: both movies
        "<start>100</start>\n\t\t\t\t\t\t<end>150</end>", // C after A&B
        "<pathurl>file://localhost/m/A&amp;B.mov</pathurl>",
        "<string>01:00:00;00</string>\n\t\t\t\t\t\t\t\t<frame>107892</frame>",
        "<frame>17982</frame>",
        "<name>R&lt;1&gt;</name>",
        "<displayformat>DF</displayformat>",
        "<string>00:00:00;00</string>", // the sequence's own start
    };
    for (const std::string& part : expected) {
        EXPECT_NE(xml.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(xml.find('\r'), std::string::npos);
}

} // namespace
} // namespace korvel
