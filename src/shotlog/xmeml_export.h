// SPDX-License-Identifier: MIT
#pragma once

#include "timecode/bwf_frame_rate.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvel {

/// One sound movie as an xmeml list describes it.
struct XmemlClip {
    std::string name;      // the movie's file name
    std::string moviePath; // absolute
    std::string reel;
    std::string startTimecode; // HH:MM:SS:FF, or HH:MM:SS;FF in drop frame
    std::uint64_t durationFrames = 0;
    std::uint32_t sampleRate = 0;
    int depth = 0; // bits per sample
    int channels = 0;
    std::string scene;
    std::string shotTake;
    std::string logNote;
    std::string description;
};

/// An xmeml version 5 document as editing systems write and import it: one sequence named
/// `sequenceName` holding the movies one after another, each channel of a movie a clipitem on
/// the audio track of its channel number (so as many tracks as the widest movie has channels),
/// the clipitems of one movie linked. The first clipitem of a movie carries its file in full
/// (path URL, rate, duration, start timecode with reel, sample rate, depth, channel count); the
/// others refer to it by id. Lines end with "\n" and are indented with tabs.
std::string xmemlDocument(std::string_view sequenceName, std::span<const XmemlClip> clips,
                          const XmlTimebase& rate);

} // namespace korvel
