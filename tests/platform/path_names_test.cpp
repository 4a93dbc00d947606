// SPDX-License-Identifier: MIT
#include "platform/path_names.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

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

} // namespace
} // namespace korvel
