// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

struct PropertyListEntry;

/// One value of a property list: a string, number, boolean, date, data, array or dictionary.
/// Dictionaries keep their keys in file order.
struct PropertyListValue {
    enum class Kind { String, Integer, Real, Boolean, Date, Data, Array, Dictionary };

    Kind kind = Kind::String;
    std::string text;         // String, Date (as written), Data (the decoded bytes)
    std::int64_t integer = 0; // Integer
    double real = 0;          // Real
    bool boolean = false;     // Boolean
    std::vector<PropertyListValue> array;
    std::vector<PropertyListEntry> dictionary;

    /// The value of `key` in a dictionary (the first, should a key be repeated); nothing for a
    /// missing key or a value that is no dictionary.
    const PropertyListValue* find(std::string_view key) const;

    /// The value read as an integer, as the platform's integer reading of an object does: an
    /// integer as it is, a real cut towards zero, true as 1, a string by its leading decimal
    /// digits (after blanks and a sign); anything else, and anything unreadable, is 0.
    std::int64_t integerValue() const;
};

/// One key and its value in a dictionary.
struct PropertyListEntry {
    std::string key;
    PropertyListValue value;
};

/// The deepest nesting of arrays and dictionaries that is read; deeper files are refused.
inline constexpr int kPropertyListMaxDepth = 64;

/// Reads a property list in its XML form (`<plist version="1.0"><dict>...`) or in the older text
/// form (`{ key = value; list = (a, b); bytes = <0fbd>; }`). Everything is checked: a file that
/// is cut short, badly nested, nested too deeply or followed by anything but blanks and comments
/// is refused with the reason.
Result<PropertyListValue> parsePropertyList(std::string_view text);

} // namespace korvel
