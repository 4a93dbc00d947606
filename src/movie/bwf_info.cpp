// SPDX-License-Identifier: MIT
#include "movie/bwf_info.h"

#include "timecode/tv_system.h"

#include <algorithm>
#include <array>

namespace korvel {
namespace {

const std::string kEmpty;

std::string frameRateText(std::string_view tvSys) {
    const auto system = TvSystem::parse(tvSys);
    if (!system) {
        return "24.00";
    }
    const Rational rate = system->frameRate();
    // Hundredths, rounded half up: 24000/1001 is 23.98.
    const std::int64_t hundredths = (rate.numerator * 200 / rate.denominator + 1) / 2;
    std::string fraction = std::to_string(hundredths % 100);
    fraction.insert(0, 2 - fraction.size(), '0');
    return std::to_string(hundredths / 100) + "." + fraction;
}

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\u00";
                out.push_back(kHex[byte >> 4]);
                out.push_back(kHex[byte & 0xF]);
            } else {
                out.push_back(c); // the record's text is UTF-8 already
            }
        }
    }
    out.push_back('"');
}

} // namespace

BwfInfo BwfInfo::withReaderKeys() {
    static constexpr std::array<std::string_view, 18> kKeys = {
        bwfkey::kName,         bwfkey::kTracks,   bwfkey::kMediaStart, bwfkey::kMediaEnd,
        bwfkey::kReel,         bwfkey::kLogNote,  bwfkey::kScene,      bwfkey::kShotTake,
        bwfkey::kComment1,     bwfkey::kComment2, bwfkey::kComment4,   bwfkey::kDescription,
        bwfkey::kContainsBext, bwfkey::kUserbit,  bwfkey::kOriginator, bwfkey::kOriginatorReference,
        bwfkey::kSampleRate,   bwfkey::kBitRate};
    BwfInfo info;
    for (std::string_view key : kKeys) {
        info.set(key, "");
    }
    info.set(bwfkey::kContainsBext, "YES");
    return info;
}

const std::string& BwfInfo::value(std::string_view key) const {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const auto& entry) { return entry.first == key; });
    return it != m_entries.end() ? it->second : kEmpty;
}

bool BwfInfo::contains(std::string_view key) const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const auto& entry) { return entry.first == key; });
}

void BwfInfo::set(std::string_view key, std::string value) {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const auto& entry) { return entry.first == key; });
    if (it != m_entries.end()) {
        it->second = std::move(value);
    } else {
        m_entries.emplace_back(std::string(key), std::move(value));
    }
}

std::vector<std::string> bwfInfoSummary(std::string_view inputFile, const BwfInfo& info,
                                        std::string_view tvSys) {
    const std::string& tracks = info.value(bwfkey::kTracks);
    std::vector<std::string> lines = {
        "Info for BWF File: " + std::string(inputFile),
        "Channels: " + tracks.substr(0, tracks.empty() ? 0 : 1),
        "Sample Rate: " + info.value(bwfkey::kSampleRate),
        "Bit Rate: " + info.value(bwfkey::kBitRate),
        "Timecode start: " + info.value(bwfkey::kMediaStart) + " @ " + frameRateText(tvSys) +
            " fps",
        "Source: " + info.value(bwfkey::kReel),
        "Note: " + info.value(bwfkey::kLogNote),
        "Scene: " + info.value(bwfkey::kScene),
        "Shot/Take: " + info.value(bwfkey::kShotTake),
        info.value(bwfkey::kComment1),
        "Userbit: " + info.value(bwfkey::kUserbit),
        "Originator: " + info.value(bwfkey::kOriginator),
        "Originator Reference: " + info.value(bwfkey::kOriginatorReference),
        "-----------------------",
    };
    if (info.contains(bwfkey::kRecorderRate)) {
        lines.insert(lines.begin() + 5,
                     "Recorder timecode rate: " + info.value(bwfkey::kRecorderRate));
    }
    return lines;
}

std::string bwfInfoJson(const BwfInfo& info) {
    std::string out = "{";
    bool first = true;
    for (const auto& [key, value] : info.entries()) {
        if (!first) {
            out += ", ";
        }
        first = false;
        appendJsonString(out, key);
        out += ": ";
        appendJsonString(out, value);
    }
    out += "}";
    return out;
}

} // namespace korvel
