// SPDX-License-Identifier: MIT
#include "app/toolbar_model.h"
#include "platform/preference_store.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(ToolbarModelTest, EnablingRule) {
    struct Row {
        std::string name;
        OpenMovieState movie;
        bool addtc;
        bool deletetc;
    };
    const std::vector<Row> rows = {
        {"no movie", {}, false, false},
        {"movie with timecode", {true, true, false}, false, true},
        {"movie that may get timecode", {true, false, true}, true, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(validateToolbarItem("addtc", row.movie), row.addtc) << row.name;
        EXPECT_EQ(validateToolbarItem("deletetc", row.movie), row.deletetc) << row.name;
        for (std::string_view other : {"prefs", "baddtc", "checkupdate", "ale2fcp", "fcp2ale",
                                       "log", "help", "bwf2qt", "unknown"}) {
            EXPECT_TRUE(validateToolbarItem(other, row.movie)) << row.name << " " << other;
        }
    }
}

TEST(ToolbarModelTest, ConfigurationSurvivesTheStore) {
    struct Row {
        std::string name;
        std::vector<std::string> saved;
        std::vector<std::string> loaded;
    };
    const std::vector<Row> rows = {
        {"custom", {"prefs", "space", "bwf2qt", "help"}, {"prefs", "space", "bwf2qt", "help"}},
        {"unknown dropped", {"prefs", "bogus"}, {"prefs"}},
        {"empty gives defaults",
         {},
         {"addtc", "deletetc", "baddtc", "ale2fcp", "fcp2ale", "flexiblespace", "log", "help"}},
    };
    for (const Row& row : rows) {
        MemoryPreferenceStore store;
        saveToolbarConfiguration(store, row.saved);
        EXPECT_EQ(loadToolbarConfiguration(store), row.loaded) << row.name;
    }
}

} // namespace
} // namespace korvel
