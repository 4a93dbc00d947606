// SPDX-License-Identifier: MIT
// Movies of different channel counts in one xmeml sequence: each lies after the one before on
// every track it has channels for, its file written once and referred to after, and text that
// is markup in XML stays text.
#include "shotlog/xmeml_export.h"

#include <gtest/gtest.h>
#include <vector>

namespace korvel {
namespace {

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(XmemlDocumentTest, MoviesFollowEachOtherOnTheirChannelsTracks) {
    const std::vector<XmemlClip> clips = {
        {"A&B.mov", "/m/A&B.mov", "R<1>", "01:00:00;00", 100, 48000, 24, 2, "1", "2", "", ""},
        {"C.mov", "/m/C.mov", "R2", "00:10:00;00", 50, 48000, 16, 1, "", "", "", ""},
    };
    const std::string xml = xmemlDocument("Day 1", clips, XmlTimebase{30, true, true});

    EXPECT_EQ(countOf(xml, "<track>"), 2u);
    EXPECT_EQ(countOf(xml, "<clipitem "), 3u);
    EXPECT_EQ(countOf(xml, "<pathurl>"), 2u); // one full file per movie
    EXPECT_EQ(countOf(xml, "<file id=\"file-1\"/>"), 1u);
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
