// SPDX-License-Identifier: MIT
// What a value becomes in a field (a name Windows can store, a batch-list cell), and the text
// files the fields are read from and written to.
#include "platform/text_file.h"
#include "shotlog/tab_fields.h"
#include "shotlog/windows_text.h"
#include "support/outside_tools.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace korvel {
namespace {

namespace fs = std::filesystem;

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

namespace fs = std::filesystem;

TEST(TextFile, DecodesUtf8OrWindows1252) {
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"plain", "plain"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},                       // valid UTF-8 stays
        {"\xEF\xBB\xBFHeading", "Heading"},                   // byte-order mark dropped
        {"caf\xE9", "caf\xC3\xA9"},                           // Windows-1252 é
        {"\x80\x93\x81", "\xE2\x82\xAC\xE2\x80\x9C\xC2\x81"}, // € “ and an undefined byte
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                     // overlong UTF-8 is not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},     // nor is a surrogate
        {"\xEF\xBB\xBF\xFF", "\xC3\xBF"}, // the mark is dropped before the rest is decoded
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeText(c.bytes), c.text);
        EXPECT_TRUE(isValidUtf8(decodeText(c.bytes)));
    }
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));         // cut short
    EXPECT_TRUE(isValidUtf8("\xF0\x9D\x84\x9E"));
}

TEST(TextFile, ReadsAndWritesAtomically) {
    const test::TempDir dir("korvel-text-file");
    const fs::path folder = dir.path();
    const std::string path = dir.file("list.txt");

    ASSERT_TRUE(writeTextFileAtomically(path, "one\rtwo\r").ok());
    auto text = readTextFile(path);
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(*text, "one\rtwo\r");

    // Replacing keeps the file's permissions and leaves no temporary file behind.
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeTextFileAtomically(path, "caf\xE9").ok());
    EXPECT_EQ(*readTextFile(path), "caf\xC3\xA9");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    EXPECT_FALSE(readTextFile((folder / "missing").string()).ok());
    EXPECT_FALSE(writeTextFileAtomically((folder / "no/such/dir.txt").string(), "x").ok());
}

} // namespace
} // namespace korvel
