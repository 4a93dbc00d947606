// SPDX-License-Identifier: MIT
// Batch lists from outside: whatever the bytes, fcp2ale never misbehaves, answers "OK" or
// "error", and every ALE it offers starts with a whole head and ends its lines in "\r" only.
#include "platform/scripted_user_interface.h"
#include "platform/text_file.h"
#include "shotlog/ale_tools.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace korvel;

namespace {

constexpr std::string_view kClipTypes[] = {"Clips only", "Clips & SubClips", "SubClips only",
                                           "Other"};

class NoAttributes final : public FileAttributes {
  public:
    std::optional<FourCharCode> typeCode(const std::string&) const override { return {}; }
    bool setTypeAndCreator(const std::string&, FourCharCode, FourCharCode) override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t choice = data[0];
    const std::string text =
        decodeText(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    ScriptedUserInterface ui;
    for (int i = 0; i < 16; ++i) {
        ui.queueSavePanelAnswer("/out/" + std::to_string(i) + ".ale");
    }
    MemoryPreferenceStore prefs;
    NoAttributes attributes;
    ALETools tools(
        ui, [](std::string_view) {}, prefs, attributes,
        [](const std::string&, std::string_view ale) -> Status {
            if (ale.substr(0, 8) != "Heading\r" || ale.find('\n') != std::string_view::npos) {
                std::abort();
            }
            return {};
        });
    Fcp2aleOptions options;
    options.seperateBins = (choice & 1) != 0;
    options.theClipType = std::string(kClipTypes[(choice >> 1) % 4]);
    options.tvsys = (choice & 8) != 0 ? "NTSC" : "PAL";
    options.filename = "/in/list.txt";
    const std::string result = tools.fcp2ale(text, options);
    if (result != "OK" && result != "error") {
        std::abort();
    }
    return 0;
}
