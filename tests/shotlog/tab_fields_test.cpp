// SPDX-License-Identifier: MIT
#include "shotlog/tab_fields.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

struct TabFieldCase {
    std::string_view value;
    std::string_view written;
};

// Each tab and line end becomes one space, so the row keeps its columns and its line.
TEST(AppendTabField, SeparatorsInsideAValueBecomeSpaces) {
    const TabFieldCase cases[] = {
        {"A001", "A001"},
        {"A001\rINJECTED EVIL\t09:00:00:00", "A001 INJECTED EVIL 09:00:00:00"},
        {"two\r\nlines\n", "two  lines "},
        {"\t", " "},
        {"", ""},
    };
    for (const TabFieldCase& c : cases) {
        std::string row = "before\t";
        appendTabField(row, c.value);
        EXPECT_EQ(row, "before\t" + std::string(c.written));
    }
}

} // namespace
} // namespace korvel
