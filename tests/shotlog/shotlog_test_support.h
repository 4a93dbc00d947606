// SPDX-License-Identifier: MIT
#pragma once

#include "platform/scripted_user_interface.h"
#include "shotlog/ale_reader.h"
#include "shotlog/ale_tools.h"
#include "support/memory_file_attributes.h"

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

/// The whole file, byte for byte.
inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// One fcp2ale conversion, with its panels, preferences and the files it saves.
struct Fcp2aleRun {
    ScriptedUserInterface ui;
    RecordedLog log;
    MemoryPreferenceStore prefs;
    MemoryFileAttributes attributes;
    std::vector<std::pair<std::string, std::string>> written; // path, text
    bool writerFails = false;

    std::string convert(std::string_view text, Fcp2aleOptions options) {
        ALETools tools(ui, log.sink(), prefs, attributes,
                       [this](const std::string& path, std::string_view ale) -> Status {
                           if (writerFails) {
                               return makeError("cannot write " + path);
                           }
                           written.emplace_back(path, std::string(ale));
                           return {};
                       });
        return tools.fcp2ale(text, options);
    }
    // Every panel answered with DIR/NAME.ale, as the command line answers it.
    void answerPanels(int count) {
        for (int i = 0; i < count; ++i) {
            ui.queueSavePanelAnswer("/out/" + std::to_string(i) + ".ale");
        }
    }
    // The ALEs written, each panel answered; the conversion must succeed.
    std::vector<std::string> ales(std::string_view text, Fcp2aleOptions options) {
        answerPanels(4);
        EXPECT_EQ(convert(text, std::move(options)), "OK");
        std::vector<std::string> texts;
        for (const auto& file : written)
            texts.push_back(file.second);
        return texts;
    }
    std::vector<std::string> proposed() const {
        std::vector<std::string> names;
        for (const SavePanel& panel : ui.savePanels()) {
            names.push_back(panel.proposedName);
        }
        return names;
    }
};

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
