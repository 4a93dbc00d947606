// SPDX-License-Identifier: MIT
#pragma once

#include "platform/scripted_user_interface.h"
#include "shotlog/ale_reader.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::test {

/// Records the log entries an operation writes.
struct RecordedLog {
    std::vector<std::string> entries;
    LogSink sink() {
        return [this](std::string_view entry) { entries.emplace_back(entry); };
    }
};

/// The lines joined with `lineBreak` after each.
inline std::string joinLines(const std::vector<std::string>& lines, std::string_view lineBreak) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += lineBreak;
    }
    return text;
}

/// The whole file, byte for byte.
inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Compares with the golden file of that name in tests/shotlog/golden/. After a deliberate change
/// of output, KORVEL_UPDATE_GOLDEN=1 rewrites them; review the diff.
inline void expectGolden(const std::string& name, const std::string& actual) {
    const auto folder = std::filesystem::path(KORVEL_SOURCE_DIR) / "tests" / "shotlog" / "golden";
    if (std::getenv("KORVEL_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(folder / name, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(folder / name)) << name;
    EXPECT_EQ(actual, readBytes(folder / name)) << name;
}

} // namespace korvel::test
