// SPDX-License-Identifier: MIT
#include "shotlog/xml_writer.h"

namespace korvel {
namespace {

// Length of the UTF-8 sequence at the start of `text` and the character it encodes; length 0
// for a byte that starts no valid sequence.
std::pair<std::size_t, char32_t> decodeUtf8(std::string_view text) {
    const auto byte = static_cast<unsigned char>(text[0]);
    if (byte < 0x80) {
        return {1, byte};
    }
    const std::size_t length = (byte & 0xE0) == 0xC0   ? 2
                               : (byte & 0xF0) == 0xE0 ? 3
                               : (byte & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || length > text.size()) {
        return {0, 0};
    }
    char32_t code = byte & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return {0, 0};
        }
        code = (code << 6) | (next & 0x3F);
    }
    const char32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {0, 0};
    }
    return {length, code};
}

bool allowedInXml(char32_t code) {
    if (code < 0x20) {
        return code == '\t' || code == '\n' || code == '\r';
    }
    return code != 0xFFFE && code != 0xFFFF;
}

} // namespace

std::string escapeXml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    while (!text.empty()) {
        const auto [length, code] = decodeUtf8(text);
        if (length == 0) {
            text.remove_prefix(1);
            continue;
        }
        switch (code) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            if (allowedInXml(code)) {
                escaped += text.substr(0, length);
            }
        }
        text.remove_prefix(length);
    }
    return escaped;
}

void XmlWriter::startTag(std::string_view name, Attributes attributes) {
    indent();
    m_out += '<';
    m_out += name;
    for (const auto& [key, value] : attributes) {
        m_out += ' ';
        m_out += key;
        m_out += "=\"" + escapeXml(value) + '"';
    }
}

void XmlWriter::open(std::string_view name, Attributes attributes) {
    startTag(name, attributes);
    m_out += '>';
    m_out += m_lineEnd;
    ++m_depth;
}

void XmlWriter::empty(std::string_view name, Attributes attributes) {
    startTag(name, attributes);
    m_out += "/>";
    m_out += m_lineEnd;
}

void XmlWriter::close(std::string_view name) {
    --m_depth;
    indent();
    m_out += "</";
    m_out += name;
    m_out += '>';
    m_out += m_lineEnd;
}

void XmlWriter::element(std::string_view name, std::string_view text) {
    indent();
    m_out += '<';
    m_out += name;
    m_out += '>' + escapeXml(text) + "</";
    m_out += name;
    m_out += '>';
    m_out += m_lineEnd;
}

} // namespace korvel
