// SPDX-License-Identifier: MIT
#pragma once

// Running the outside programs that judge our movies (ffmpeg, ffprobe, mediainfo).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace korvel::qtff::testing {

struct CommandResult {
    int status = -1;
    std::string output;
};

inline std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

inline CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    result.status = ::pclose(pipe);
    return result;
}

inline bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

/// A directory of its own for one test, removed at the end.
class TempDir {
public:
    explicit TempDir(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

/// The value of "KEY=value" in tool output, or empty.
inline std::string valueOf(const std::string& output, const std::string& key) {
    const auto at = output.find(key + "=");
    if (at == std::string::npos) return {};
    const auto start = at + key.size() + 1;
    return output.substr(start, output.find('\n', start) - start);
}

} // namespace korvel::qtff::testing
