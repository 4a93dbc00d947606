// SPDX-License-Identifier: MIT
// Temporary output files and the identity of files (what may be replaced, and what never is),
// path names and type codes.
#include "base/temporary_file.h"
#include "platform/file_attributes.h"
#include "platform/file_identity.h"
#include "platform/path_names.h"
#include "support/output_folder_test.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/xattr.h>

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

TEST(PathNamesTest, Parts) {
    struct Row {
        const char* path;
        const char* folder;
        const char* name;
        const char* base;
        const char* extension;
    };
    const Row rows[] = {
        {"/Volumes/Day 1/Scene12.ALE", "/Volumes/Day 1", "Scene12.ALE", "Scene12", ".ALE"},
        {"/A001.mov", "/", "A001.mov", "A001", ".mov"},
        {"list.v2.txt", "", "list.v2.txt", "list.v2", ".txt"},
        {"/shoot/.hidden", "/shoot", ".hidden", ".hidden", ""},
        {"/shoot/no extension", "/shoot", "no extension", "no extension", ""},
        {"/shoot/", "/shoot", "", "", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(folderOf(row.path), row.folder) << row.path;
        EXPECT_EQ(fileNameOf(row.path), row.name) << row.path;
        EXPECT_EQ(withoutExtension(fileNameOf(row.path)), row.base) << row.path;
        EXPECT_EQ(extensionOf(row.path), row.extension) << row.path;
    }
}

TEST(ExtendedAttributeFileAttributesTest, TypeAndCreatorRoundTrip) {
    const auto path = std::filesystem::temp_directory_path() / "korvel-attributes-test.txt";
    std::ofstream(path) << "text";
    ExtendedAttributeFileAttributes attributes;
    const bool stored = attributes.setTypeAndCreator(path.string(), FourCharCode::of("TEXT"),
                                                     FourCharCode::of("KeyG"));
    if (!stored) {
        std::filesystem::remove(path);
        GTEST_SKIP() << "the temporary folder's file system keeps no extended attributes";
    }
    EXPECT_EQ(attributes.typeCode(path.string()), FourCharCode::of("TEXT"));

    // The Finder information is the 32-byte record the Mac uses: type, then creator.
    char info[32] = {};
    ASSERT_EQ(getxattr(path.c_str(), "user.com.apple.FinderInfo", info, sizeof info), 32);
    EXPECT_EQ(std::string(info, 8), "TEXTKeyG");

    // Changing the codes keeps the rest of the record.
    info[8] = 0x40;
    ASSERT_EQ(setxattr(path.c_str(), "user.com.apple.FinderInfo", info, sizeof info, 0), 0);
    ASSERT_TRUE(attributes.setTypeAndCreator(path.string(), FourCharCode::of("WAVE"),
                                             FourCharCode::of("TVOD")));
    ASSERT_EQ(getxattr(path.c_str(), "user.com.apple.FinderInfo", info, sizeof info), 32);
    EXPECT_EQ(std::string(info, 8), "WAVETVOD");
    EXPECT_EQ(info[8], 0x40);
    std::filesystem::remove(path);
    EXPECT_FALSE(attributes.setTypeAndCreator("/nonexistent/korvel/file", FourCharCode::of("TEXT"),
                                              FourCharCode::of("KeyG")));
    EXPECT_FALSE(attributes.typeCode("/nonexistent/korvel/file"));
}

} // namespace
} // namespace korvel
