// SPDX-License-Identifier: MIT
// The older text form of a property list: { key = value; }, ( a, b ), <hex bytes>, and strings,
// quoted or bare. Every scalar in it is a string; numbers are read from the text by whoever
// reads them.
#include "platform/property_list_readers.h"

namespace korvel::plist {
namespace {

using Kind = PropertyListValue::Kind;

bool isBareChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '+' || c == '/' || c == ':' || c == '.' || c == '-';
}

class TextReader {
  public:
    explicit TextReader(std::string_view text) : m_text(text) {}

    Result<PropertyListValue> document();

  private:
    Status skipSpace();
    Result<PropertyListValue> value(int depth);
    Result<PropertyListValue> dictionary(int depth);
    Result<PropertyListValue> array(int depth);
    Result<PropertyListValue> data();
    Result<std::string> string();
    Result<std::string> quoted();
    bool escape(std::string& out);
    bool at(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

Error cutShort() {
    return makeError("the property list is cut short");
}

Status TextReader::skipSpace() {
    for (;;) {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos])) {
            ++m_pos;
        }
        const std::string_view rest = m_text.substr(m_pos);
        if (rest.substr(0, 2) == "//") {
            const std::size_t end = m_text.find('\n', m_pos);
            m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
        } else if (rest.substr(0, 2) == "/*") {
            const std::size_t end = m_text.find("*/", m_pos + 2);
            if (end == std::string_view::npos) {
                return makeError("a comment is not closed");
            }
            m_pos = end + 2;
        } else {
            return {};
        }
    }
}

// One escape after a backslash: the C escapes, up to three octal digits, or \U and four hex
// digits. False for an escape cut short or naming no character.
bool TextReader::escape(std::string& out) {
    if (m_pos >= m_text.size()) {
        return false;
    }
    const char c = m_text[m_pos++];
    switch (c) {
    case 'a':
        out += '\a';
        return true;
    case 'b':
        out += '\b';
        return true;
    case 'f':
        out += '\f';
        return true;
    case 'n':
        out += '\n';
        return true;
    case 'r':
        out += '\r';
        return true;
    case 't':
        out += '\t';
        return true;
    case 'v':
        out += '\v';
        return true;
    case 'U': {
        std::uint32_t codePoint = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = m_pos < m_text.size() ? hexDigit(m_text[m_pos]) : -1;
            if (digit < 0) {
                return false;
            }
            codePoint = codePoint * 16 + static_cast<std::uint32_t>(digit);
            ++m_pos;
        }
        return appendUtf8(out, codePoint);
    }
    default:
        break;
    }
    if (c >= '0' && c <= '7') {
        std::uint32_t code = static_cast<std::uint32_t>(c - '0');
        for (int i = 0;
             i < 2 && m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '7'; ++i) {
            code = code * 8 + static_cast<std::uint32_t>(m_text[m_pos++] - '0');
        }
        return appendUtf8(out, code);
    }
    out += c; // \\, \", \' and any other character stand for themselves
    return true;
}

Result<std::string> TextReader::quoted() {
    const char quote = m_text[m_pos++];
    std::string out;
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos++];
        if (c == quote) {
            return out;
        }
        if (c == '\\') {
            if (!escape(out)) {
                return makeError("a bad escape in a quoted string");
            }
        } else {
            out += c;
        }
    }
    return cutShort();
}

Result<std::string> TextReader::string() {
    if (at('"') || at('\'')) {
        return quoted();
    }
    const std::size_t begin = m_pos;
    while (m_pos < m_text.size() && isBareChar(m_text[m_pos])) {
        ++m_pos;
    }
    if (m_pos == begin) {
        if (m_pos >= m_text.size()) {
            return cutShort();
        }
        return makeError("an unexpected character '" + std::string(1, m_text[m_pos]) + "'");
    }
    return std::string(m_text.substr(begin, m_pos - begin));
}

Result<PropertyListValue> TextReader::data() {
    ++m_pos; // '<'
    PropertyListValue bytes;
    bytes.kind = Kind::Data;
    int high = -1;
    for (; m_pos < m_text.size(); ++m_pos) {
        const char c = m_text[m_pos];
        if (c == '>') {
            ++m_pos;
            if (high >= 0) {
                return makeError("data with an odd number of hex digits");
            }
            return bytes;
        }
        if (isBlank(c)) {
            continue;
        }
        const int digit = hexDigit(c);
        if (digit < 0) {
            return makeError("data holds a character that is no hex digit");
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes.text += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    return cutShort();
}

Result<PropertyListValue> TextReader::dictionary(int depth) {
    ++m_pos; // '{'
    PropertyListValue dict;
    dict.kind = Kind::Dictionary;
    for (;;) {
        if (Status skipped = skipSpace(); !skipped) {
            return skipped.error();
        }
        if (at('}')) {
            ++m_pos;
            return dict;
        }
        auto key = string();
        if (!key) {
            return key.error();
        }
        if (Status skipped = skipSpace(); !skipped) {
            return skipped.error();
        }
        if (!at('=')) {
            return makeError("no '=' after the key \"" + *key + "\"");
        }
        ++m_pos;
        auto item = value(depth);
        if (!item) {
            return item.error();
        }
        if (Status skipped = skipSpace(); !skipped) {
            return skipped.error();
        }
        if (!at(';')) {
            return makeError("no ';' after the value of \"" + *key + "\"");
        }
        ++m_pos;
        dict.dictionary.push_back({std::move(*key), std::move(*item)});
    }
}

Result<PropertyListValue> TextReader::array(int depth) {
    ++m_pos; // '('
    PropertyListValue list;
    list.kind = Kind::Array;
    for (;;) {
        if (Status skipped = skipSpace(); !skipped) {
            return skipped.error();
        }
        if (at(')')) {
            ++m_pos;
            return list;
        }
        auto item = value(depth);
        if (!item) {
            return item.error();
        }
        list.array.push_back(std::move(*item));
        if (Status skipped = skipSpace(); !skipped) {
            return skipped.error();
        }
        if (at(',')) {
            ++m_pos;
        } else if (!at(')')) {
            return m_pos >= m_text.size() ? cutShort() : makeError("no ',' between array items");
        }
    }
}

Result<PropertyListValue> TextReader::value(int depth) {
    if (Status skipped = skipSpace(); !skipped) {
        return skipped.error();
    }
    if (at('{') || at('(')) {
        if (depth >= kPropertyListMaxDepth) {
            return makeError("the property list is nested too deeply");
        }
        return at('{') ? dictionary(depth + 1) : array(depth + 1);
    }
    if (at('<')) {
        return data();
    }
    auto text = string();
    if (!text) {
        return text.error();
    }
    return stringValue(std::move(*text));
}

Result<PropertyListValue> TextReader::document() {
    auto root = value(0);
    if (!root) {
        return root.error();
    }
    if (Status skipped = skipSpace(); !skipped) {
        return skipped.error();
    }
    if (m_pos != m_text.size()) {
        return makeError("something follows the property list");
    }
    return root;
}

} // namespace

Result<PropertyListValue> readTextPropertyList(std::string_view text) {
    return TextReader(text).document();
}

} // namespace korvel::plist
