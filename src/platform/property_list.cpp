// SPDX-License-Identifier: MIT
#include "platform/property_list.h"

#include "platform/property_list_readers.h"

#include <cmath>
#include <limits>

namespace korvel {
namespace plist {

bool appendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return false;
    }
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return true;
}

std::optional<std::string> decodeBase64(std::string_view text) {
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    int padding = 0;
    bool finished = false; // nothing may follow a padded group
    for (const char c : text) {
        if (isBlank(c)) {
            continue;
        }
        if (finished) {
            return std::nullopt;
        }
        int value = -1;
        if (c >= 'A' && c <= 'Z') {
            value = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            value = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            value = c - '0' + 52;
        } else if (c == '+') {
            value = 62;
        } else if (c == '/') {
            value = 63;
        } else if (c == '=' && count >= 2) {
            ++padding;
            value = 0;
        }
        if (value < 0 || (padding > 0 && c != '=')) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        if (++count == 4) {
            const int bytes = 3 - padding;
            for (int i = 0; i < bytes; ++i) {
                out += static_cast<char>((bits >> (16 - 8 * i)) & 0xFF);
            }
            bits = 0;
            count = 0;
            finished = padding > 0;
        }
    }
    if (count != 0) {
        return std::nullopt;
    }
    return out;
}

PropertyListValue stringValue(std::string text) {
    PropertyListValue value;
    value.kind = PropertyListValue::Kind::String;
    value.text = std::move(text);
    return value;
}

} // namespace plist

const PropertyListValue* PropertyListValue::find(std::string_view key) const {
    if (kind != Kind::Dictionary) {
        return nullptr;
    }
    for (const auto& [name, value] : dictionary) {
        if (name == key) {
            return &value;
        }
    }
    return nullptr;
}

std::int64_t PropertyListValue::integerValue() const {
    switch (kind) {
    case Kind::Integer:
        return integer;
    case Kind::Boolean:
        return boolean ? 1 : 0;
    case Kind::Real:
        if (!std::isfinite(real) || std::fabs(real) >= 9.2e18) {
            return 0;
        }
        return static_cast<std::int64_t>(real);
    case Kind::String: {
        std::size_t i = 0;
        while (i < text.size() && plist::isBlank(text[i])) {
            ++i;
        }
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        std::int64_t number = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (number > (std::numeric_limits<std::int64_t>::max() - 9) / 10) {
                // Past the largest integer, as the platform does: the largest of the sign.
                return negative ? std::numeric_limits<std::int64_t>::min()
                                : std::numeric_limits<std::int64_t>::max();
            }
            number = number * 10 + (text[i] - '0');
        }
        return negative ? -number : number;
    }
    default:
        return 0;
    }
}

Result<PropertyListValue> parsePropertyList(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    if (text.substr(0, 6) == "bplist") {
        return makeError("binary property lists are not read");
    }
    std::size_t start = 0;
    while (start < text.size() && plist::isBlank(text[start])) {
        ++start;
    }
    if (start == text.size()) {
        return makeError("the property list is empty");
    }
    // "<0fbd>" is data in the text form; every other "<" opens XML.
    if (text[start] == '<') {
        std::size_t end = start + 1;
        while (end < text.size() &&
               (plist::hexDigit(text[end]) >= 0 || plist::isBlank(text[end]))) {
            ++end;
        }
        if (end == text.size() || text[end] != '>') {
            return plist::readXmlPropertyList(text);
        }
    }
    return plist::readTextPropertyList(text);
}

} // namespace korvel
