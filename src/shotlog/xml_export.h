// SPDX-License-Identifier: MIT
#pragma once

#include "shotlog/xml_writer.h"
#include "timecode/bwf_frame_rate.h"

#include <map>
#include <string>
#include <string_view>

namespace korvel {

/// The values of one clip, keyed by batch-list column names ("Name", "Tracks", "Media Start",
/// "Reel", ...) plus "Filename" (the media file's absolute path) and, when known, "Duration"
/// (the media's length in frames at the clip's timebase).
using XmlClipData = std::map<std::string, std::string>;

/// Final Cut Pro XML clip lists (the xmeml dialect) for media files. A document is the header,
/// one clip element per file, and the footer; lines end with "\r" and are indented with tabs.
/// Every value goes through the XML writer's escaping; a key that is missing writes an empty
/// value.
class KTxmlexport {
  public:
    static std::string createXMLHeader();

    /// One clip element at the timebase, NTSC pace and timecode format of `rate`.
    static std::string createXMLClip(const XmlClipData& clipData, const XmlTimebase& rate);

    /// "</xmeml>", without a line end.
    static std::string createXMLFooter();
};

/// The file URL of an absolute path: "file://localhost" and the path, each byte other than
/// unreserved and sub-delimiter characters, ':', '@' and '/' written as %XX.
std::string fileUrlOfPath(std::string_view path);

} // namespace korvel
