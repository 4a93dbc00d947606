// SPDX-License-Identifier: MIT
#include "shotlog/xmeml_export.h"

#include "shotlog/xml_export.h"
#include "shotlog/xml_writer.h"
#include "timecode/timecode.h"

#include <algorithm>

namespace korvel {
namespace {

std::string number(std::uint64_t value) {
    return std::to_string(value);
}

// The counting rule of the rate: labels per second, drop frame or not.
TimeCodeDef countingOf(const XmlTimebase& rate) {
    TimeCodeDef def;
    def.flags = rate.dropFrame ? kTcDropFrame : 0;
    def.numFrames = static_cast<std::uint8_t>(rate.timebase);
    return def;
}

void writeRate(XmlWriter& xml, const XmlTimebase& rate) {
    xml.open("rate");
    xml.element("ntsc", rate.ntsc ? "TRUE" : "FALSE");
    xml.element("timebase", std::to_string(rate.timebase));
    xml.close("rate");
}

// A timecode element; a text that is no timecode counts from frame 0.
void writeTimecode(XmlWriter& xml, std::string_view text, const XmlTimebase& rate,
                   std::string_view reel) {
    const std::optional<TimeCodeRecord> record = parseTimeCodeFields(text);
    const TimeCodeDef def = countingOf(rate);
    const std::int64_t frame = record ? frameNumber(*record, def) : 0;
    xml.open("timecode");
    writeRate(xml, rate);
    xml.element("string", timeCodeText(timeCodeRecord(frame, def), rate.dropFrame));
    xml.element("frame", std::to_string(frame));
    xml.element("displayformat", rate.dropFrame ? "DF" : "NDF");
    if (!reel.empty()) {
        xml.open("reel");
        xml.element("name", reel);
        xml.close("reel");
    }
    xml.close("timecode");
}

std::string fileId(std::size_t movie) {
    return "file-" + number(movie + 1);
}
std::string clipitemId(std::size_t movie, int channel) {
    return "clipitem-" + number(movie + 1) + "-" + std::to_string(channel);
}

void writeFile(XmlWriter& xml, const XmemlClip& clip, std::size_t movie, const XmlTimebase& rate) {
    xml.open("file", {{"id", fileId(movie)}});
    xml.element("name", clip.name);
    xml.element("pathurl", fileUrlOfPath(clip.moviePath));
    writeRate(xml, rate);
    xml.element("duration", number(clip.durationFrames));
    writeTimecode(xml, clip.startTimecode, rate, clip.reel);
    xml.open("media");
    xml.open("audio");
    xml.open("samplecharacteristics");
    xml.element("depth", std::to_string(clip.depth));
    xml.element("samplerate", number(clip.sampleRate));
    xml.close("samplecharacteristics");
    xml.element("channelcount", std::to_string(clip.channels));
    xml.close("audio");
    xml.close("media");
    xml.close("file");
}

struct Placement {
    std::size_t movie = 0;
    int channel = 1;         // also the track number
    std::uint64_t start = 0; // on the sequence's timeline
};

void writeClipitem(XmlWriter& xml, const XmemlClip& clip, const Placement& at,
                   const XmlTimebase& rate) {
    xml.open("clipitem", {{"id", clipitemId(at.movie, at.channel)}});
    xml.element("name", clip.name);
    xml.element("duration", number(clip.durationFrames));
    writeRate(xml, rate);
    xml.element("in", "0");
    xml.element("out", number(clip.durationFrames));
    xml.element("start", number(at.start));
    xml.element("end", number(at.start + clip.durationFrames));
    xml.element("masterclipid", "masterclip-" + number(at.movie + 1));
    if (at.channel == 1) {
        writeFile(xml, clip, at.movie, rate);
    } else {
        xml.empty("file", {{"id", fileId(at.movie)}});
    }
    xml.open("sourcetrack");
    xml.element("mediatype", "audio");
    xml.element("trackindex", std::to_string(at.channel));
    xml.close("sourcetrack");
    // Every channel of the movie, this one included, so they move together.
    for (int linked = 1; linked <= clip.channels; ++linked) {
        xml.open("link");
        xml.element("linkclipref", clipitemId(at.movie, linked));
        xml.element("mediatype", "audio");
        xml.element("trackindex", std::to_string(linked));
        xml.element("clipindex", number(at.movie + 1));
        xml.element("groupindex", "1");
        xml.close("link");
    }
    xml.open("logginginfo");
    xml.element("description", clip.description);
    xml.element("scene", clip.scene);
    xml.element("shottake", clip.shotTake);
    xml.element("lognote", clip.logNote);
    xml.close("logginginfo");
    xml.close("clipitem");
}

} // namespace

std::string xmemlDocument(std::string_view sequenceName, std::span<const XmemlClip> clips,
                          const XmlTimebase& rate) {
    std::uint64_t total = 0;
    int tracks = 0;
    for (const XmemlClip& clip : clips) {
        total += clip.durationFrames;
        tracks = std::max(tracks, clip.channels);
    }
    XmlWriter xml(0, "\n");
    xml.open("xmeml", {{"version", "5"}});
    xml.open("sequence", {{"id", "sequence-1"}});
    xml.element("name", sequenceName);
    xml.element("duration", number(total));
    writeRate(xml, rate);
    writeTimecode(xml, "00:00:00:00", rate, {});
    xml.open("media");
    xml.open("audio");
    for (int track = 1; track <= tracks; ++track) {
        xml.open("track");
        std::uint64_t start = 0;
        for (std::size_t movie = 0; movie < clips.size(); ++movie) {
            if (track <= clips[movie].channels) {
                writeClipitem(xml, clips[movie], {movie, track, start}, rate);
            }
            start += clips[movie].durationFrames;
        }
        xml.close("track");
    }
    xml.close("audio");
    xml.close("media");
    xml.close("sequence");
    xml.close("xmeml");
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE xmeml>\n" + xml.text();
}

} // namespace korvel
