// SPDX-License-Identifier: MIT
#include "shotlog/xml_export.h"

#include <charconv>
#include <optional>

namespace korvel {
namespace {

struct TrackSections {
    bool video = false;
    int audio = 0; // 0, 1 or 2 audio sections
};

// The five values the bwf2qt command writes into batch lists have fixed sections; any other
// value (a channel count such as "4A") gets video when it names it, and one audio section for
// one channel, two for more.
TrackSections trackSections(std::string_view tracks) {
    if (tracks == "1V, 2A") {
        return {true, 2};
    }
    if (tracks == "1V, 1A") {
        return {true, 1};
    }
    if (tracks == "1V") {
        return {true, 0};
    }
    if (tracks == "2A") {
        return {false, 2};
    }
    if (tracks == "1A") {
        return {false, 1};
    }
    TrackSections sections;
    sections.video = tracks.find('V') != std::string_view::npos;
    const auto a = tracks.find('A');
    if (a != std::string_view::npos) {
        std::size_t digits = a;
        while (digits > 0 && tracks[digits - 1] >= '0' && tracks[digits - 1] <= '9') {
            --digits;
        }
        unsigned long long count = 0;
        const auto [end, ec] = std::from_chars(tracks.data() + digits, tracks.data() + a, count);
        if (digits < a && ec == std::errc::result_out_of_range) {
            count = 2; // more channels than a number holds: still "two or more"
        }
        static_cast<void>(end);
        sections.audio = count >= 2 ? 2 : static_cast<int>(count);
    }
    return sections;
}

std::string valueOf(const XmlClipData& clipData, const std::string& key) {
    const auto found = clipData.find(key);
    return found == clipData.end() ? std::string() : found->second;
}

struct Rate {
    std::string_view timebase;
    std::string_view ntsc;
};

void writeRate(XmlWriter& xml, const Rate& rate) {
    xml.open("rate");
    xml.element("timebase", rate.timebase);
    xml.element("ntsc", rate.ntsc);
    xml.close("rate");
}

// The track element of the clip's media, the same in each video and audio section.
std::string trackLines(const XmlClipData& clipData, const Rate& rate, std::string_view format) {
    const std::string name = valueOf(clipData, "Name");
    XmlWriter track(4);
    track.open("track");
    track.open("clip");
    track.element("name", name);
    track.element("duration",
                  clipData.contains("Duration") ? valueOf(clipData, "Duration") : "125");
    writeRate(track, rate);
    track.element("masterClipID", name);
    track.open("file", {{"id", name + "1"}});
    track.element("name", name);
    track.element("pathURL", fileUrlOfPath(valueOf(clipData, "Filename")));
    track.open("timecode");
    track.element("string", valueOf(clipData, "Media Start"));
    track.element("format", format);
    track.element("source", "source");
    track.open("reel");
    track.element("reelname", valueOf(clipData, "Reel"));
    track.close("reel");
    track.close("timecode");
    track.close("file");
    track.close("clip");
    track.close("track");

    return track.text();
}

bool isUrlSafe(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    constexpr std::string_view kSafe = "-._~!$&'()*+,;=:@/";
    return c != 0 && kSafe.find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

std::string fileUrlOfPath(std::string_view path) {
    constexpr std::string_view kHex = "0123456789ABCDEF";
    std::string url = "file://localhost";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUrlSafe(byte)) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}

std::string KTxmlexport::createXMLHeader() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<!DOCTYPE xmeml>\r<xmeml "
           "version=\"0.5\">\r";
}

std::string KTxmlexport::createXMLFooter() {
    return "</xmeml>";
}

std::string KTxmlexport::createXMLClip(const XmlClipData& clipData, const XmlTimebase& rate) {
    const std::string timebase = std::to_string(rate.timebase);
    const std::string ntsc = rate.ntsc ? "TRUE" : "FALSE";
    const std::string format = rate.dropFrame ? "DF" : "NDF";
    const std::string name = valueOf(clipData, "Name");

    XmlWriter xml(1);
    xml.open("clip", {{"id", name}});
    xml.element("name", name);
    writeRate(xml, {timebase, ntsc});
    xml.element("in", "-1");
    xml.element("out", "-1");
    xml.element("masterClipID", name);
    xml.open("logginginfo");
    xml.element("description", valueOf(clipData, "Description"));
    xml.element("scene", valueOf(clipData, "Scene"));
    xml.element("shottake", valueOf(clipData, "Shot/Take"));
    xml.element("lognote", valueOf(clipData, "Log Note"));
    xml.close("logginginfo");
    xml.open("comments");
    xml.element("masterComment1", valueOf(clipData, "Comment 1"));
    xml.element("masterComment2", valueOf(clipData, "Comment 2"));
    xml.element("masterComment3", "MANGLER");
    xml.element("masterComment4", valueOf(clipData, "Comment 4"));
    xml.close("comments");
    xml.open("media");

    const std::string track = trackLines(clipData, {timebase, ntsc}, format);
    const auto tracksEntry = clipData.find("Tracks");
    const TrackSections sections =
        trackSections(tracksEntry == clipData.end() ? std::string_view() : tracksEntry->second);
    if (sections.video) {
        xml.open("video");
        xml.append(track);
        xml.close("video");
    }
    for (int i = 0; i < sections.audio; ++i) {
        xml.open("audio");
        xml.append(track);
        xml.close("audio");
    }
    xml.close("media");
    xml.close("clip");
    return xml.text();
}

} // namespace korvel
