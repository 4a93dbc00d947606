// SPDX-License-Identifier: MIT
// Temporary output files and the identity of files: what may be replaced, and what never is.
#include "base/temporary_file.h"
#include "platform/file_identity.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace korvel {
namespace {

namespace fs = std::filesystem;

// Files are made in the fixture's "out" folder, which holds nothing else.
class OutputFilesTest : public test::OutputFolderTest {
  protected:
    void put(const std::string& name, const std::string& text) const {
        std::ofstream(out(name), std::ios::binary) << text;
    }
    std::string text(const std::string& name) const { return readText(out(name)); }
    int entries() const {
        return static_cast<int>(std::distance(fs::directory_iterator(m_folder / "out"), {}));
    }
    Status writeThrough(const std::string& name, const std::string& content,
                        ExistingTarget existing, const std::string& appearsMeanwhile = {}) {
        auto file = TemporaryFile::createBeside(out(name));
        if (!file) {
            return file.error();
        }
        EXPECT_TRUE(file->writeAll(content.data(), content.size()));
        if (!appearsMeanwhile.empty()) {
            put(name, appearsMeanwhile);
        }
        return file->commit(existing);
    }
};

TEST_F(OutputFilesTest, TemporaryNameIsHiddenUnpredictableAndRemovedUnlessCommitted) {
    std::string first;
    {
        auto a = TemporaryFile::createBeside(out("A.mov"));
        auto b = TemporaryFile::createBeside(out("A.mov"));
        ASSERT_TRUE(a && b);
        first = fs::path(a->path()).filename().string();
        EXPECT_EQ(first.front(), '.');
        EXPECT_TRUE(first.ends_with(TemporaryFile::kTemporarySuffix)) << first;
        EXPECT_NE(a->path(), b->path());
        EXPECT_EQ(entries(), 2);
    }
    EXPECT_EQ(entries(), 0);
}

TEST_F(OutputFilesTest, CommitKeepsOrReplacesAsTold) {
    struct Row {
        const char* name;
        const char* before;           // "" for no file
        const char* appearsMeanwhile; // "" for none
        ExistingTarget existing;
        bool committed;
        const char* after;
    };
    const Row rows[] = {
        {"new", "", "", ExistingTarget::Keep, true, "new text"},
        {"chosen to replace", "old", "", ExistingTarget::Replace, true, "new text"},
        // Another run finished first: its file stays whole, this one fails.
        {"another run", "", "theirs", ExistingTarget::Keep, false, "theirs"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(m_folder / "out");
        fs::create_directories(m_folder / "out");
        if (*row.before != '\0') {
            put("out.txt", row.before);
        }
        const Status status =
            writeThrough("out.txt", "new text", row.existing, row.appearsMeanwhile);
        EXPECT_EQ(status.ok(), row.committed);
        EXPECT_EQ(text("out.txt"), row.after);
        EXPECT_EQ(entries(), 1); // no temporary left
    }
}

TEST_F(OutputFilesTest, LinkAtTheTargetIsNeverWrittenThrough) {
    put("outside.wav", "recording");
    fs::create_symlink(out("outside.wav"), out("out.mov"));
    EXPECT_FALSE(writeThrough("out.mov", "movie", ExistingTarget::Keep));
    EXPECT_EQ(text("outside.wav"), "recording");
    ASSERT_TRUE(writeThrough("out.mov", "movie", ExistingTarget::Replace));
    EXPECT_FALSE(fs::is_symlink(out("out.mov")));
    EXPECT_EQ(text("outside.wav"), "recording");
}

TEST_F(OutputFilesTest, SameFileByInodeOrByPath) {
    put("a.WAV", "x");
    put("b.wav", "x");
    fs::create_hard_link(out("a.WAV"), out("hard.wav"));
    fs::create_symlink(out("a.WAV"), out("link.WAV"));
    fs::create_directories(m_folder / "out" / "sub");
    struct Row {
        std::string a, b;
        bool same;
    };
    const Row rows[] = {
        {out("a.WAV"), out("a.WAV"), true},
        {out("a.WAV"), out("sub/../a.WAV"), true},
        {out("a.WAV"), out("hard.wav"), true},
        {out("a.WAV"), out("link.WAV"), true},
        {out("a.WAV"), out("b.wav"), false},
        {out("a.WAV"), out("none.wav"), false},
        {out("new.mov"), out("sub/../new.mov"), true},
        {out("new.mov"), out("new.xml"), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(sameFile(row.a, row.b), row.same) << row.a << " / " << row.b;
    }
    const Status clash = checkOutputsSpareInputs({out("a.WAV")}, {out("x.txt"), out("hard.wav")});
    ASSERT_FALSE(clash);
    EXPECT_NE(clash.error().message.find("hard.wav"), std::string::npos);
    EXPECT_FALSE(checkOutputsSpareInputs({}, {out("x.mov"), out("sub/../x.mov")}));
    EXPECT_TRUE(checkOutputsSpareInputs({out("a.WAV")}, {out("a.mov"), out("a.xml")}));
}

} // namespace
} // namespace korvel
