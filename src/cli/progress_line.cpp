// SPDX-License-Identifier: MIT
#include "cli/progress_line.h"

#include <algorithm>
#include <cstdio>

namespace korvel {
namespace {

constexpr int kBarWidth = 20;
// Below this the rate of a file is mostly the cost of starting it.
constexpr std::chrono::milliseconds kRateSettles{250};

// The first `limit` characters of UTF-8 text, never splitting one.
std::string firstCharacters(const std::string& text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && characters++ == limit) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::string formatted(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string formatBytes(std::uint64_t bytes) {
    const auto value = static_cast<double>(bytes);
    if (bytes >= 1'000'000'000) {
        return formatted("%.2f GB", value / 1e9);
    }
    if (bytes >= 1'000'000) {
        return formatted("%.1f MB", value / 1e6);
    }
    return formatted("%.0f kB", value / 1e3);
}

std::string formatDuration(std::chrono::seconds duration) {
    const long long total = std::max<long long>(duration.count(), 0);
    const long long hours = total / 3600;
    char text[32];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

void ProgressLine::begin(double maximum) {
    m_active = true;
    m_maximum = maximum;
    update(0, {});
}

void ProgressLine::update(double value, std::string text) {
    m_value = value;
    m_text = std::move(text);
    m_fileDone = 0;
    m_fileTotal = 0;
    m_fileStarted = false;
}

void ProgressLine::fileBytes(std::uint64_t done, std::uint64_t total, Clock::time_point now) {
    if (!m_fileStarted) {
        m_fileStarted = true;
        m_fileStart = now;
    }
    m_fileDone = std::min(done, total);
    m_fileTotal = total;
    m_lastBytes = now;
}

double ProgressLine::fraction() const {
    const double withinFile =
        m_fileTotal > 0 ? static_cast<double>(m_fileDone) / static_cast<double>(m_fileTotal) : 0.0;
    return std::clamp((m_value + withinFile) / m_maximum, 0.0, 1.0);
}

std::string ProgressLine::render(int columns) const {
    std::string line;
    if (m_maximum > 0) {
        const double done = fraction();
        std::string bar(static_cast<std::size_t>(done * kBarWidth), '#');
        bar.resize(kBarWidth, '.');
        line = "[" + bar + "] " + formatted("%3.0f%%", done * 100) + " ";
    }
    // The figures come before the file's name, so that a narrow terminal cuts the name.
    if (m_fileTotal > 0) {
        line += formatBytes(m_fileDone) + " of " + formatBytes(m_fileTotal) + "  ";
        const auto elapsed = m_lastBytes - m_fileStart;
        if (elapsed >= kRateSettles && m_fileDone > 0 && m_fileDone < m_fileTotal) {
            const double seconds = std::chrono::duration<double>(elapsed).count();
            const double rate = static_cast<double>(m_fileDone) / seconds;
            const auto left = std::chrono::seconds(
                static_cast<long long>(static_cast<double>(m_fileTotal - m_fileDone) / rate + 0.5));
            line += formatBytes(static_cast<std::uint64_t>(rate)) + "/s  " + formatDuration(left) +
                    " left  ";
        }
    }
    line += m_text;
    return firstCharacters(line, static_cast<std::size_t>(std::max(columns - 1, 0)));
}

} // namespace korvel
