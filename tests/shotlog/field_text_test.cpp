// SPDX-License-Identifier: MIT
// What a value becomes in a field: a name Windows can store, a batch-list cell.
#include "shotlog/tab_fields.h"
#include "shotlog/windows_text.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(ConvertWindowsTextTest, Variants) {
    struct Row {
        const char* text;
        const char* nt4;
        const char* win2k;
    };
    const Row rows[] = {
        {"A001_C002", "A001_C002", "A001_C002"},
        {"a/b:c", "a b c", "a b c"},
        {"1\"2*3?4|5<6>7\\8", "1 2 3 4 5 6 7 8", "1 2 3 4 5 6 7 8"},
        {"//x::", "  x  ", "  x  "}, // nothing is trimmed or collapsed
        {"Bjørn", "Bjørn", "Bj®rn"},
        {"ØRE øre", "ØRE øre", "ØRE ®re"}, // the capital stays
        {"tête/à:tête", "tête à tête", "tête à tête"},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(convertWindowsText(row.text, "NT4"), row.nt4) << row.text;
        EXPECT_EQ(convertWindowsText(row.text, "WIN2K"), row.win2k) << row.text;
        EXPECT_EQ(convertWindowsText(row.text, "anything else"), row.nt4) << row.text;
        EXPECT_EQ(convertWindowsText(row.text, "win2k"), row.nt4) << row.text;
    }
}

// Each tab and line end becomes one space, so the row keeps its columns and its line.
TEST(AppendTabField, SeparatorsInsideAValueBecomeSpaces) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"A001", "A001"},
        {"A001\rINJECTED EVIL\t09:00:00:00", "A001 INJECTED EVIL 09:00:00:00"},
        {"two\r\nlines\n", "two  lines "},
        {"\t", " "},
        {"", ""},
    };
    for (const auto& [value, written] : cases) {
        std::string row = "before\t";
        appendTabField(row, value);
        EXPECT_EQ(row, "before\t" + std::string(written));
    }
}

} // namespace
} // namespace korvel
