// SPDX-License-Identifier: MIT
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

} // namespace
} // namespace korvel
