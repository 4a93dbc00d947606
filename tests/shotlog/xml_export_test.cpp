// SPDX-License-Identifier: MIT
#include "shotlog/xml_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace korvel {
namespace {

XmlClipData clip(std::string name, std::string tracks) {
    return {{"Name", std::move(name)},
            {"Tracks", std::move(tracks)},
            {"Description", "desc"},
            {"Scene", "12"},
            {"Shot/Take", "3"},
            {"Log Note", "note"},
            {"Comment 1", "c1"},
            {"Comment 2", "c2"},
            {"Comment 4", "c4"},
            {"Filename", "/media/day 1/clip.mov"},
            {"Media Start", "10:00:00:00"},
            {"Reel", "R1"}};
}

std::string trackSection(std::string_view kind, std::string_view duration = "125") {
    return "\t\t\t<" + std::string(kind) +
           ">\r\t\t\t\t<track>\r\t\t\t\t\t<clip>\r\t\t\t\t\t\t<name>A001</name>\r"
           "\t\t\t\t\t\t<duration>" + std::string(duration) +
           "</duration>\r\t\t\t\t\t\t<rate>\r\t\t\t\t\t\t\t<timebase>30</timebase>\r"
           "\t\t\t\t\t\t\t<ntsc>TRUE</ntsc>\r\t\t\t\t\t\t</rate>\r"
           "\t\t\t\t\t\t<masterClipID>A001</masterClipID>\r\t\t\t\t\t\t<file id=\"A0011\">\r"
           "\t\t\t\t\t\t\t<name>A001</name>\r"
           "\t\t\t\t\t\t\t<pathURL>file://localhost/media/day%201/clip.mov</pathURL>\r"
           "\t\t\t\t\t\t\t<timecode>\r\t\t\t\t\t\t\t\t<string>10:00:00:00</string>\r"
           "\t\t\t\t\t\t\t\t<format>NDF</format>\r\t\t\t\t\t\t\t\t<source>source</source>\r"
           "\t\t\t\t\t\t\t\t<reel>\r\t\t\t\t\t\t\t\t\t<reelname>R1</reelname>\r"
           "\t\t\t\t\t\t\t\t</reel>\r\t\t\t\t\t\t\t</timecode>\r\t\t\t\t\t\t</file>\r"
           "\t\t\t\t\t</clip>\r\t\t\t\t</track>\r\t\t\t</" + std::string(kind) + ">\r";
}

std::string clipHead() {
    return "\t<clip id=\"A001\">\r\t\t<name>A001</name>\r\t\t<rate>\r\t\t\t<timebase>30</timebase>\r"
           "\t\t\t<ntsc>TRUE</ntsc>\r\t\t</rate>\r\t\t<in>-1</in>\r\t\t<out>-1</out>\r"
           "\t\t<masterClipID>A001</masterClipID>\r\t\t<logginginfo>\r"
           "\t\t\t<description>desc</description>\r\t\t\t<scene>12</scene>\r"
           "\t\t\t<shottake>3</shottake>\r\t\t\t<lognote>note</lognote>\r\t\t</logginginfo>\r"
           "\t\t<comments>\r\t\t\t<masterComment1>c1</masterComment1>\r"
           "\t\t\t<masterComment2>c2</masterComment2>\r"
           "\t\t\t<masterComment3>MANGLER</masterComment3>\r"
           "\t\t\t<masterComment4>c4</masterComment4>\r\t\t</comments>\r\t\t<media>\r";
}

const std::string kClipTail = "\t\t</media>\r\t</clip>\r";

TEST(KTxmlexport, WholeClipNtscNdf) {
    EXPECT_EQ(KTxmlexport::createXMLClip(clip("A001", "1V, 2A"), "NTSC NDF", false),
              clipHead() + trackSection("video") + trackSection("audio") + trackSection("audio") +
                  kClipTail);
}

struct SectionCase {
    std::string tracks;
    bool video;
    int audio;
};

TEST(KTxmlexport, TrackSectionsFollowTracks) {
    const std::vector<SectionCase> cases = {
        {"1V, 2A", true, 2}, {"1V, 1A", true, 1}, {"1V", true, 0},  {"2A", false, 2},
        {"1A", false, 1},    {"4A", false, 2},    {"6A", false, 2}, {"1V, 8A", true, 2},
        {"V", true, 0},      {"0A", false, 0},    {"", false, 0},   {"99999999999999999999A", false, 2}};
    for (const SectionCase& c : cases) {
        std::string media;
        if (c.video) {
            media += trackSection("video");
        }
        for (int i = 0; i < c.audio; ++i) {
            media += trackSection("audio");
        }
        EXPECT_EQ(KTxmlexport::createXMLClip(clip("A001", c.tracks), "NTSC DF", false),
                  clipHead() + media + kClipTail)
            << c.tracks;
    }
}

TEST(KTxmlexport, RatesAndFormats) {
    const auto rateOf = [](std::string_view videoSys, bool dropFrame) {
        const std::string xml = KTxmlexport::createXMLClip(clip("n", "1A"), videoSys, dropFrame);
        const auto between = [&](const std::string& open, const std::string& close) {
            const auto start = xml.find(open) + open.size();
            return xml.substr(start, xml.find(close, start) - start);
        };
        return between("<timebase>", "</timebase>") + " " + between("<ntsc>", "</ntsc>") + " " +
               between("<format>", "</format>");
    };
    EXPECT_EQ(rateOf("PAL", false), "25 FALSE NDF");
    EXPECT_EQ(rateOf("NTSC DF", true), "30 TRUE DF");
    EXPECT_EQ(rateOf("NTSC NDF", false), "30 TRUE NDF");
    EXPECT_EQ(rateOf("24 fps", false), "24 FALSE NDF");
    EXPECT_EQ(rateOf("SECAM", true), "  DF");
}

TEST(KTxmlexport, DurationAndMissingKeys) {
    XmlClipData data = clip("A001", "1V");
    data["Duration"] = "2500";
    EXPECT_NE(KTxmlexport::createXMLClip(data, "NTSC NDF", false)
                  .find("<duration>2500</duration>"),
              std::string::npos);
    const std::string bare = KTxmlexport::createXMLClip({{"Tracks", "1A"}}, "PAL", false);
    EXPECT_NE(bare.find("<clip id=\"\">"), std::string::npos);
    EXPECT_NE(bare.find("<pathURL>file://localhost</pathURL>"), std::string::npos);
    EXPECT_NE(bare.find("<duration>125</duration>"), std::string::npos);
}

TEST(KTxmlexport, EscapesValuesAndPaths) {
    EXPECT_EQ(escapeXml("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(fileUrlOfPath("/a b/R&D's (1)/caf\xC3\xA9#?%.mov"),
              "file://localhost/a%20b/R&D's%20(1)/caf%C3%A9%23%3F%25.mov");
    XmlClipData data = clip("Tom & <Jerry>", "1A");
    data["Filename"] = "/x/Tom & Jerry.mov";
    const std::string xml = KTxmlexport::createXMLClip(data, "PAL", false);
    EXPECT_NE(xml.find("<clip id=\"Tom &amp; &lt;Jerry&gt;\">"), std::string::npos);
    EXPECT_NE(xml.find("<file id=\"Tom &amp; &lt;Jerry&gt;1\">"), std::string::npos);
    EXPECT_NE(xml.find("<pathURL>file://localhost/x/Tom%20&amp;%20Jerry.mov</pathURL>"),
              std::string::npos);
}

TEST(KTxmlexport, DocumentIsWellFormed) {
    XmlClipData awkward = clip("Tom & \"Jerry's\" <cut>", "4A");
    awkward["Filename"] = "/x/\xC3\xA9t\xC3\xA9 & co.mov";
    const std::string document = KTxmlexport::createXMLHeader() +
                                 KTxmlexport::createXMLClip(clip("A001", "1V, 2A"), "PAL", false) +
                                 KTxmlexport::createXMLClip(awkward, "NTSC DF", true) +
                                 KTxmlexport::createXMLFooter();
    EXPECT_EQ(document.substr(0, 83),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<!DOCTYPE xmeml>\r<xmeml version=\"0.5\">\r"
              "\t<cli");
    EXPECT_EQ(document.substr(document.size() - 9), "\r</xmeml>");

    if (std::system("xmllint --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xmllint is not installed";
    }
    const auto path = std::filesystem::temp_directory_path() / "korvel_xml_export_test.xml";
    std::ofstream(path, std::ios::binary) << document;
    const int status = std::system(("xmllint --noout '" + path.string() + "'").c_str());
    std::filesystem::remove(path);
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace korvel
