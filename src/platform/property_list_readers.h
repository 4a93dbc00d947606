// SPDX-License-Identifier: MIT
#pragma once

// The two forms of property list, read by their own readers; shared pieces below. Used only by
// property_list.cpp and the readers.

#include "platform/property_list.h"

#include <optional>
#include <string>
#include <string_view>

namespace korvel::plist {

Result<PropertyListValue> readXmlPropertyList(std::string_view text);
Result<PropertyListValue> readTextPropertyList(std::string_view text);

/// Appends the UTF-8 form of `codePoint`; false for a value that is no character (a surrogate,
/// zero, or past U+10FFFF).
bool appendUtf8(std::string& out, std::uint32_t codePoint);

/// Decodes base64, blanks ignored; nothing for any other character or a cut-short group.
std::optional<std::string> decodeBase64(std::string_view text);

inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

inline int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

PropertyListValue stringValue(std::string text);

} // namespace korvel::plist
