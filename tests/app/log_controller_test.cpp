// SPDX-License-Identifier: MIT
#include "app/log_controller.h"

#include <gtest/gtest.h>
#include <vector>

namespace korvel {
namespace {

TEST(KTLogControllerTest, Texts) {
    struct Row {
        const char* name;
        std::vector<std::string> entries;
        bool clearFirst;
        const char* expected;
    };
    const Row rows[] = {
        {"start", {}, false, "Korvel Tools version 1.2.1\r\r"},
        {"entry ending in a return",
         {"Ending Batch Add TC...\r", "next"},
         false,
         "Korvel Tools version 1.2.1\r\rEnding Batch Add TC...\r\rnext\r"},
        {"empty entry", {""}, false, "Korvel Tools version 1.2.1\r\r\r"},
        {"cleared then one", {"entry"}, true, "Korvel Tools version 1.2.1\rentry\r"},
    };
    for (const Row& row : rows) {
        KTLogController log;
        if (row.clearFirst) {
            log.KTAddLogEntry("before the clear");
            log.KTClearLog();
        }
        for (const std::string& entry : row.entries) {
            log.KTAddLogEntry(entry);
        }
        EXPECT_EQ(log.logString(), row.expected) << row.name;
    }
}

TEST(KTLogControllerTest, ListenerSeesEveryChange) {
    KTLogController log;
    std::vector<std::string> seen;
    log.setListener([&](std::string_view entry) { seen.emplace_back(entry); });
    log.KTAddLogEntry("a");
    log.KTClearLog();
    log.KTAddLogEntry("b");
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "", "b"}));
}

} // namespace
} // namespace korvel
