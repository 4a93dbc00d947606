// SPDX-License-Identifier: MIT
#include "shotlog/xml_export.h"

#include <charconv>

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
    return found == clipData.end() ? std::string() : escapeXml(found->second);
}

bool isUrlSafe(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    constexpr std::string_view kSafe = "-._~!$&'()*+,;=:@/";
    return c != 0 && kSafe.find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

std::string escapeXml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

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
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<!DOCTYPE xmeml>\r<xmeml version=\"0.5\">\r";
}

std::string KTxmlexport::createXMLFooter() { return "</xmeml>"; }

std::string KTxmlexport::createXMLClip(const XmlClipData& clipData, std::string_view videoSys,
                                       bool dropFrame) {
    std::string timebase;
    std::string ntsc;
    if (videoSys == "PAL") {
        timebase = "25";
        ntsc = "FALSE";
    } else if (videoSys == "NTSC DF" || videoSys == "NTSC NDF") {
        timebase = "30";
        ntsc = "TRUE";
    } else if (videoSys == "24 fps") {
        timebase = "24";
        ntsc = "FALSE";
    }
    const std::string format = dropFrame ? "DF" : "NDF";
    const std::string name = valueOf(clipData, "Name");
    const auto filename = clipData.find("Filename");
    const std::string pathUrl =
        escapeXml(fileUrlOfPath(filename == clipData.end() ? std::string() : filename->second));
    const auto durationEntry = clipData.find("Duration");
    const std::string duration =
        durationEntry == clipData.end() ? "125" : escapeXml(durationEntry->second);

    std::string xml;
    xml.reserve(4096);
    xml += "\t<clip id=\"" + name + "\">\r";
    xml += "\t\t<name>" + name + "</name>\r";
    xml += "\t\t<rate>\r";
    xml += "\t\t\t<timebase>" + timebase + "</timebase>\r";
    xml += "\t\t\t<ntsc>" + ntsc + "</ntsc>\r";
    xml += "\t\t</rate>\r";
    xml += "\t\t<in>-1</in>\r";
    xml += "\t\t<out>-1</out>\r";
    xml += "\t\t<masterClipID>" + name + "</masterClipID>\r";
    xml += "\t\t<logginginfo>\r";
    xml += "\t\t\t<description>" + valueOf(clipData, "Description") + "</description>\r";
    xml += "\t\t\t<scene>" + valueOf(clipData, "Scene") + "</scene>\r";
    xml += "\t\t\t<shottake>" + valueOf(clipData, "Shot/Take") + "</shottake>\r";
    xml += "\t\t\t<lognote>" + valueOf(clipData, "Log Note") + "</lognote>\r";
    xml += "\t\t</logginginfo>\r";
    xml += "\t\t<comments>\r";
    xml += "\t\t\t<masterComment1>" + valueOf(clipData, "Comment 1") + "</masterComment1>\r";
    xml += "\t\t\t<masterComment2>" + valueOf(clipData, "Comment 2") + "</masterComment2>\r";
    xml += "\t\t\t<masterComment3>MANGLER</masterComment3>\r";
    xml += "\t\t\t<masterComment4>" + valueOf(clipData, "Comment 4") + "</masterComment4>\r";
    xml += "\t\t</comments>\r";
    xml += "\t\t<media>\r";

    std::string track;
    track += "\t\t\t\t<track>\r";
    track += "\t\t\t\t\t<clip>\r";
    track += "\t\t\t\t\t\t<name>" + name + "</name>\r";
    track += "\t\t\t\t\t\t<duration>" + duration + "</duration>\r";
    track += "\t\t\t\t\t\t<rate>\r";
    track += "\t\t\t\t\t\t\t<timebase>" + timebase + "</timebase>\r";
    track += "\t\t\t\t\t\t\t<ntsc>" + ntsc + "</ntsc>\r";
    track += "\t\t\t\t\t\t</rate>\r";
    track += "\t\t\t\t\t\t<masterClipID>" + name + "</masterClipID>\r";
    track += "\t\t\t\t\t\t<file id=\"" + name + "1\">\r";
    track += "\t\t\t\t\t\t\t<name>" + name + "</name>\r";
    track += "\t\t\t\t\t\t\t<pathURL>" + pathUrl + "</pathURL>\r";
    track += "\t\t\t\t\t\t\t<timecode>\r";
    track += "\t\t\t\t\t\t\t\t<string>" + valueOf(clipData, "Media Start") + "</string>\r";
    track += "\t\t\t\t\t\t\t\t<format>" + format + "</format>\r";
    track += "\t\t\t\t\t\t\t\t<source>source</source>\r";
    track += "\t\t\t\t\t\t\t\t<reel>\r";
    track += "\t\t\t\t\t\t\t\t\t<reelname>" + valueOf(clipData, "Reel") + "</reelname>\r";
    track += "\t\t\t\t\t\t\t\t</reel>\r";
    track += "\t\t\t\t\t\t\t</timecode>\r";
    track += "\t\t\t\t\t\t</file>\r";
    track += "\t\t\t\t\t</clip>\r";
    track += "\t\t\t\t</track>\r";

    const auto tracksEntry = clipData.find("Tracks");
    const TrackSections sections =
        trackSections(tracksEntry == clipData.end() ? std::string_view() : tracksEntry->second);
    if (sections.video) {
        xml += "\t\t\t<video>\r" + track + "\t\t\t</video>\r";
    }
    for (int i = 0; i < sections.audio; ++i) {
        xml += "\t\t\t<audio>\r" + track + "\t\t\t</audio>\r";
    }

    xml += "\t\t</media>\r";
    xml += "\t</clip>\r";
    return xml;
}

} // namespace korvel
