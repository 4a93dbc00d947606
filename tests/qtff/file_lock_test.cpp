// SPDX-License-Identifier: MIT
// One writer at a time: a file opened for writing is locked until it is closed.
#include "qtff/file_io.h"
#include "support/outside_tools.h"

#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace korvel::qtff {
namespace {

using namespace std::chrono_literals;

class FileLock : public ::testing::Test {
  protected:
    void SetUp() override { std::ofstream(m_path, std::ios::binary) << "movie bytes"; }

    test::TempDir m_dir{"korvel-file-lock"};
    std::string m_path = m_dir.file("movie.mov");
};

TEST_F(FileLock, ASecondWriterIsToldTheFileIsInUse) {
    auto first = openFile(m_path, OpenMode::ReadWrite);
    ASSERT_TRUE(first.ok()) << first.error().message;

    auto second = openFile(m_path, OpenMode::ReadWrite, 100ms);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().kind, ErrorKind::InUse);
    EXPECT_NE(second.error().message.find("in use"), std::string::npos) << second.error().message;

    // Readers are never kept out: the file is readable at every instant of an update.
    auto reader = openFile(m_path, OpenMode::ReadOnly, 0ms);
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(*(*reader)->size(), 11u);

    first->reset();
    EXPECT_TRUE(openFile(m_path, OpenMode::ReadWrite, 0ms).ok());
}

TEST_F(FileLock, WaitsForTheOtherWriterToFinish) {
    auto first = openFile(m_path, OpenMode::ReadWrite);
    ASSERT_TRUE(first.ok());
    std::thread finisher([&] {
        std::this_thread::sleep_for(200ms);
        first->reset();
    });
    // Far longer than the other writer takes: the open must succeed once it has finished.
    auto second = openFile(m_path, OpenMode::ReadWrite, 600s);
    finisher.join();
    EXPECT_TRUE(second.ok()) << second.error().message;
}

} // namespace
} // namespace korvel::qtff
