// SPDX-License-Identifier: MIT
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace korvel {

/// Text made safe inside an XML element or attribute value: the five markup characters written
/// as entities, and what XML 1.0 forbids left out (control characters other than tab, line feed
/// and carriage return; U+FFFE and U+FFFF; bytes that are not UTF-8), so a document stays
/// well-formed whatever the text held.
std::string escapeXml(std::string_view text);

/// Writes XML one line at a time, each indented by one tab per open element and ended by
/// `lineEnd` ("\r" unless told otherwise), every text and attribute value through escapeXml.
class XmlWriter {
  public:
    using Attributes = std::initializer_list<std::pair<std::string_view, std::string_view>>;

    /// Lines start `depth` tabs in.
    explicit XmlWriter(int depth = 0, std::string_view lineEnd = "\r")
        : m_depth(depth), m_lineEnd(lineEnd) {}

    /// "<name attr="value">" on its own line; the lines after it go one tab further in.
    void open(std::string_view name, Attributes attributes = {});
    /// "</name>", one tab back out.
    void close(std::string_view name);
    /// "<name>text</name>" on one line.
    void element(std::string_view name, std::string_view text);
    /// "<name attr="value"/>": an element that refers to one written before.
    void empty(std::string_view name, Attributes attributes);
    /// Lines another writer made, as they are.
    void append(std::string_view lines) { m_out += lines; }

    const std::string& text() const { return m_out; }

  private:
    void indent() { m_out.append(static_cast<std::size_t>(m_depth), '\t'); }
    void startTag(std::string_view name, Attributes attributes);

    int m_depth;
    std::string_view m_lineEnd;
    std::string m_out;
};

} // namespace korvel
