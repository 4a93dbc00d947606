// SPDX-License-Identifier: MIT
// The XML form of a property list: <plist version="1.0"> around one value of <dict>, <array>,
// <string>, <integer>, <real>, <true/>, <false/>, <date> or <data>. Only what a property list
// holds is read: no namespaces, no entities beyond the five predefined and character references.
#include "platform/property_list_readers.h"

#include <charconv>
#include <limits>

namespace korvel::plist {
namespace {

using Kind = PropertyListValue::Kind;

struct Tag {
    std::string name;
    bool closing = false;
    bool empty = false; // <name/>
};

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == ':' || c == '.' || c == '-';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

class XmlReader {
  public:
    explicit XmlReader(std::string_view text) : m_text(text) {}

    Result<PropertyListValue> document();

  private:
    bool startsWith(std::string_view prefix) const {
        return m_text.substr(m_pos, prefix.size()) == prefix;
    }
    bool skipPast(std::string_view terminator);
    bool skipMarkup(bool prolog);
    Result<Tag> readTag();
    /// The next tag after comments, declarations and white space.
    Result<Tag> nextTag(bool prolog);
    Result<std::string> textUntilClose(std::string_view name);
    Status appendReference(std::string& out);
    Result<PropertyListValue> value(const Tag& open, int depth);
    Result<PropertyListValue> dictionary(int depth);
    Result<PropertyListValue> array(int depth);
    Result<PropertyListValue> scalar(const Tag& open);

    std::string_view m_text;
    std::size_t m_pos = 0;
};

Error cutShort() {
    return makeError("the property list is cut short");
}

// Moves past the next `terminator`; false when there is none.
bool XmlReader::skipPast(std::string_view terminator) {
    const std::size_t end = m_text.find(terminator, m_pos);
    if (end == std::string_view::npos) {
        return false;
    }
    m_pos = end + terminator.size();
    return true;
}

// Skips blanks and comments, and in the prolog also <?...?> and <!DOCTYPE ...>. False when one
// of them is not closed.
bool XmlReader::skipMarkup(bool prolog) {
    for (;;) {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos])) {
            ++m_pos;
        }
        if (startsWith("<!--")) {
            if (!skipPast("-->")) {
                return false;
            }
        } else if (prolog && startsWith("<?")) {
            if (!skipPast("?>")) {
                return false;
            }
        } else if (prolog && startsWith("<!DOCTYPE")) {
            // The plist DOCTYPE names a DTD and has no internal subset.
            if (!skipPast(">")) {
                return false;
            }
        } else {
            return true;
        }
    }
}

Result<Tag> XmlReader::nextTag(bool prolog) {
    if (!skipMarkup(prolog)) {
        return cutShort();
    }
    return readTag();
}

Result<Tag> XmlReader::readTag() {
    if (m_pos >= m_text.size()) {
        return cutShort();
    }
    if (m_text[m_pos] != '<') {
        return makeError("text where an element was expected");
    }
    ++m_pos;
    Tag tag;
    if (m_pos < m_text.size() && m_text[m_pos] == '/') {
        tag.closing = true;
        ++m_pos;
    }
    while (m_pos < m_text.size() && isNameChar(m_text[m_pos])) {
        tag.name += m_text[m_pos++];
    }
    if (tag.name.empty()) {
        return makeError("an element without a name");
    }
    char quote = 0;
    for (; m_pos < m_text.size(); ++m_pos) {
        const char c = m_text[m_pos];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            tag.empty = m_text[m_pos - 1] == '/';
            ++m_pos;
            if (tag.closing && tag.empty) {
                return makeError("a malformed closing tag </" + tag.name + ">");
            }
            return tag;
        }
    }
    return cutShort();
}

Status XmlReader::appendReference(std::string& out) {
    const std::size_t end = m_text.find(';', m_pos);
    if (end == std::string_view::npos || end - m_pos > 12) {
        return makeError("an unterminated character reference");
    }
    const std::string_view name = m_text.substr(m_pos + 1, end - m_pos - 1);
    m_pos = end + 1;
    if (name == "lt") {
        out += '<';
    } else if (name == "gt") {
        out += '>';
    } else if (name == "amp") {
        out += '&';
    } else if (name == "quot") {
        out += '"';
    } else if (name == "apos") {
        out += '\'';
    } else if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        std::uint32_t codePoint = 0;
        const auto [rest, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), codePoint, hex ? 16 : 10);
        if (digits.empty() || error != std::errc() || rest != digits.data() + digits.size() ||
            !appendUtf8(out, codePoint)) {
            return makeError("a bad character reference &" + std::string(name) + ";");
        }
    } else {
        return makeError("an unknown entity &" + std::string(name) + ";");
    }
    return {};
}

// The character data of an element up to its closing tag, with references and CDATA resolved.
Result<std::string> XmlReader::textUntilClose(std::string_view name) {
    std::string out;
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos];
        if (c == '&') {
            if (Status added = appendReference(out); !added) {
                return added.error();
            }
        } else if (c != '<') {
            out += c;
            ++m_pos;
        } else if (startsWith("<![CDATA[")) {
            const std::size_t begin = m_pos + 9;
            if (!skipPast("]]>")) {
                return cutShort();
            }
            out.append(m_text.substr(begin, m_pos - 3 - begin));
        } else if (startsWith("<!--")) {
            if (!skipPast("-->")) {
                return cutShort();
            }
        } else {
            auto tag = readTag();
            if (!tag) {
                return tag.error();
            }
            if (!tag->closing || tag->name != name) {
                return makeError("<" + tag->name + "> inside <" + std::string(name) + ">");
            }
            return out;
        }
    }
    return cutShort();
}

Result<PropertyListValue> XmlReader::dictionary(int depth) {
    PropertyListValue dict;
    dict.kind = Kind::Dictionary;
    for (;;) {
        auto tag = nextTag(false);
        if (!tag) {
            return tag.error();
        }
        if (tag->closing) {
            if (tag->name != "dict") {
                return makeError("</" + tag->name + "> closes a <dict>");
            }
            return dict;
        }
        if (tag->name != "key") {
            return makeError("<" + tag->name + "> where a <key> was expected");
        }
        auto key = tag->empty ? Result<std::string>(std::string()) : textUntilClose("key");
        if (!key) {
            return key.error();
        }
        auto valueTag = nextTag(false);
        if (!valueTag) {
            return valueTag.error();
        }
        auto item = value(*valueTag, depth);
        if (!item) {
            return item.error();
        }
        dict.dictionary.push_back({std::move(*key), std::move(*item)});
    }
}

Result<PropertyListValue> XmlReader::array(int depth) {
    PropertyListValue list;
    list.kind = Kind::Array;
    for (;;) {
        auto tag = nextTag(false);
        if (!tag) {
            return tag.error();
        }
        if (tag->closing) {
            if (tag->name != "array") {
                return makeError("</" + tag->name + "> closes an <array>");
            }
            return list;
        }
        auto item = value(*tag, depth);
        if (!item) {
            return item.error();
        }
        list.array.push_back(std::move(*item));
    }
}

Result<PropertyListValue> XmlReader::scalar(const Tag& open) {
    auto content = open.empty ? Result<std::string>(std::string()) : textUntilClose(open.name);
    if (!content) {
        return content.error();
    }
    PropertyListValue result;
    const std::string_view text = trimmed(*content);
    if (open.name == "string") {
        return stringValue(std::move(*content));
    }
    if (open.name == "true" || open.name == "false") {
        if (!text.empty()) {
            return makeError("<" + open.name + "> holds text");
        }
        result.kind = Kind::Boolean;
        result.boolean = open.name == "true";
    } else if (open.name == "integer") {
        const bool hex = text.substr(0, 2) == "0x" || text.substr(0, 3) == "-0x";
        const bool negative = !text.empty() && text[0] == '-';
        const std::string_view digits = text.substr((negative ? 1 : 0) + (hex ? 2 : 0));
        std::uint64_t magnitude = 0;
        const auto [rest, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, hex ? 16 : 10);
        const std::uint64_t limit =
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) +
            (negative ? 1 : 0);
        if (digits.empty() || error != std::errc() || rest != digits.data() + digits.size() ||
            magnitude > limit) {
            return makeError("<integer> holds \"" + std::string(text) + "\"");
        }
        result.kind = Kind::Integer;
        result.integer = negative ? static_cast<std::int64_t>(0 - magnitude)
                                  : static_cast<std::int64_t>(magnitude);
    } else if (open.name == "real") {
        const auto [rest, error] =
            std::from_chars(text.data(), text.data() + text.size(), result.real);
        if (text.empty() || error != std::errc() || rest != text.data() + text.size()) {
            return makeError("<real> holds \"" + std::string(text) + "\"");
        }
        result.kind = Kind::Real;
    } else if (open.name == "date") {
        result.kind = Kind::Date;
        result.text = text;
    } else if (open.name == "data") {
        auto bytes = decodeBase64(text);
        if (!bytes) {
            return makeError("<data> is not base64");
        }
        result.kind = Kind::Data;
        result.text = std::move(*bytes);
    } else {
        return makeError("<" + open.name + "> is no property-list element");
    }
    return result;
}

Result<PropertyListValue> XmlReader::value(const Tag& open, int depth) {
    if (open.closing) {
        return makeError("</" + open.name + "> where a value was expected");
    }
    if (open.name == "dict" || open.name == "array") {
        if (depth >= kPropertyListMaxDepth) {
            return makeError("the property list is nested too deeply");
        }
        PropertyListValue empty;
        empty.kind = open.name == "dict" ? Kind::Dictionary : Kind::Array;
        if (open.empty) {
            return empty;
        }
        return open.name == "dict" ? dictionary(depth + 1) : array(depth + 1);
    }
    return scalar(open);
}

Result<PropertyListValue> XmlReader::document() {
    auto tag = nextTag(true);
    if (!tag) {
        return tag.error();
    }
    const bool wrapped = tag->name == "plist" && !tag->closing;
    if (wrapped) {
        if (tag->empty) {
            return makeError("the property list holds no value");
        }
        tag = nextTag(false);
        if (!tag) {
            return tag.error();
        }
    }
    auto root = value(*tag, 0);
    if (!root) {
        return root.error();
    }
    if (wrapped) {
        auto close = nextTag(false);
        if (!close) {
            return close.error();
        }
        if (!close->closing || close->name != "plist") {
            return makeError("more than one value in the property list");
        }
    }
    if (!skipMarkup(false) || m_pos != m_text.size()) {
        return makeError("something follows the property list");
    }
    return root;
}

} // namespace

Result<PropertyListValue> readXmlPropertyList(std::string_view text) {
    return XmlReader(text).document();
}

} // namespace korvel::plist
