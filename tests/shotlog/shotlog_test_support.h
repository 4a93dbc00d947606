// SPDX-License-Identifier: MIT
#pragma once

#include "platform/scripted_user_interface.h"
#include "shotlog/ale_reader.h"

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

} // namespace korvel::test
