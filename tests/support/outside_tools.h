// SPDX-License-Identifier: MIT
#pragma once

// Running the outside programs that judge what we write (ffmpeg, ffprobe, mediainfo, xmllint).

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace korvel::test {

/// A text quoted for the shell.
inline std::string shellQuote(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

/// What a shell command printed on standard output, and its wait status.
struct ToolResult {
    int status = -1;
    std::string output;
};

inline ToolResult runCommand(const std::string& command) {
    ToolResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, n);
    }
    result.status = ::pclose(pipe);
    return result;
}

/// Standard output of a shell command; empty when it failed.
inline std::string commandOutput(const std::string& command) {
    ToolResult result = runCommand(command);
    return result.status == 0 ? std::move(result.output) : std::string();
}

inline bool haveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

/// The value of "KEY=value" in a tool's output, or empty.
inline std::string valueOf(const std::string& output, const std::string& key) {
    const auto at = output.find(key + "=");
    if (at == std::string::npos) {
        return {};
    }
    const auto start = at + key.size() + 1;
    return output.substr(start, output.find('\n', start) - start);
}

/// A folder in the temporary folder that no other test process uses (made when missing): ctest
/// runs the cases of one program side by side, each in a process of its own.
inline std::filesystem::path processScratch(const std::string& name) {
    auto folder =
        std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

/// A folder of its own for one test, emptied at the start and removed at the end.
class TempDir {
  public:
    explicit TempDir(const std::string& name) : m_path(processScratch(name)) {
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
    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

} // namespace korvel::test
