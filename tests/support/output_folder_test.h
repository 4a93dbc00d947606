// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>

namespace korvel::test {

/// A fixture with a folder of its own for a command's inputs, and "out" inside it for its outputs;
/// named after the process and the test, since ctest runs cases side by side.
class OutputFolderTest : public ::testing::Test {
  protected:
    explicit OutputFolderTest(std::string prefix = "korvel_") : m_prefix(std::move(prefix)) {}

    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() /
                   (m_prefix + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder / "out");
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }

    std::string path(const std::string& name) const { return (m_folder / name).string(); }
    std::string out(const std::string& name) const { return (m_folder / "out" / name).string(); }
    /// Writes `text` as it is to the file `name` in the folder; its path.
    std::string writeText(const std::string& name, const std::string& text) const {
        std::ofstream(m_folder / name, std::ios::binary) << text;
        return path(name);
    }
    static std::string readText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path m_folder;

  private:
    std::string m_prefix;
};

} // namespace korvel::test
