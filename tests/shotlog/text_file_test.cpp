// SPDX-License-Identifier: MIT
#include "platform/text_file.h"
#include "support/outside_tools.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>

namespace korvel {
namespace {

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
