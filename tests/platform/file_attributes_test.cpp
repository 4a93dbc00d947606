// SPDX-License-Identifier: MIT
#include "platform/file_attributes.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/xattr.h>

namespace korvel {
namespace {

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
