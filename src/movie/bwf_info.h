// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

/// Keys of the BWF information record. The first twelve are batch-list column names.
namespace bwfkey {
inline constexpr std::string_view kName = "Name";
inline constexpr std::string_view kTracks = "Tracks";
inline constexpr std::string_view kMediaStart = "Media Start";
inline constexpr std::string_view kMediaEnd = "Media End";
inline constexpr std::string_view kReel = "Reel";
inline constexpr std::string_view kLogNote = "Log Note";
inline constexpr std::string_view kScene = "Scene";
inline constexpr std::string_view kShotTake = "Shot/Take";
inline constexpr std::string_view kComment1 = "Comment 1";
inline constexpr std::string_view kComment2 = "Comment 2";
inline constexpr std::string_view kComment4 = "Comment 4";
inline constexpr std::string_view kDescription = "Description";
inline constexpr std::string_view kContainsBext = "containsbext";
inline constexpr std::string_view kUserbit = "Userbit";
inline constexpr std::string_view kOriginator = "Originator";
inline constexpr std::string_view kOriginatorReference = "Originator Reference";
inline constexpr std::string_view kSampleRate = "Sample Rate";
inline constexpr std::string_view kBitRate = "Bit Rate";
/// Only when the recorder wrote a timecode rate in the iXML chunk: "24000/1001 NDF".
inline constexpr std::string_view kRecorderRate = "Recorder Rate";
/// Added by the import: the full path of the movie written.
inline constexpr std::string_view kFilename = "Filename";
} // namespace bwfkey

/// The information record of a BWF file (`bwfInfo`): text values under the keys above, kept in
/// the order they were first set, so lists and JSON come out the same way every time.
class BwfInfo {
  public:
    /// The eighteen keys of the reader, all empty except "containsbext" = "YES".
    static BwfInfo withReaderKeys();

    /// The value of `key`, or the empty text when the record does not hold it.
    const std::string& value(std::string_view key) const;
    bool contains(std::string_view key) const;
    /// Sets `key`, adding it at the end when the record does not hold it yet.
    void set(std::string_view key, std::string value);

    const std::vector<std::pair<std::string, std::string>>& entries() const { return m_entries; }

    bool operator==(const BwfInfo&) const = default;

  private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

/// The information summary of a BWF file, one log line each: channels, rate, bits, start
/// timecode with the frame rate of the TV system `tvSys` ("25.00" for "PAL", "29.97" for "NTSC",
/// "23.98" for "23.976 fps", "24.00" for any text that names none), the recorder's timecode
/// rate when the file has one, source, note, scene, take, origination, user bits, originator, and a
/// separator.
std::vector<std::string> bwfInfoSummary(std::string_view inputFile, const BwfInfo& info,
                                        std::string_view tvSys);

/// The record as one JSON object, its keys in record order.
std::string bwfInfoJson(const BwfInfo& info);

} // namespace korvel
