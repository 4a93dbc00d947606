// SPDX-License-Identifier: MIT
// ALE logs from outside: whatever the bytes, decoding, reading and converting never misbehave;
// a conversion answers a batch list or, after exactly one alert, the one-space failure. A batch
// list ends its lines in "\r" only, so no value can have opened a row of its own with a "\n".
#include "platform/scripted_user_interface.h"
#include "platform/text_file.h"
#include "shotlog/ale_tools.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace korvel;

namespace {

constexpr std::string_view kTvSystems[] = {"PAL", "NTSC", "24 fps"};
constexpr std::string_view kNameOptions[] = {"No",
                                             "Truncate",
                                             "Truncate, add \".mov\"",
                                             "Truncate, add \".MOV\"",
                                             "Truncate, add \".MooV\"",
                                             "Other"};

void convert(std::string_view text, std::uint8_t choice) {
    ScriptedUserInterface ui;
    std::size_t logged = 0;
    ALETools tools(ui, [&logged](std::string_view) { ++logged; });
    Ale2fcpOptions options;
    options.myTVSys = std::string(kTvSystems[choice % 3]);
    options.nameModify = std::string(kNameOptions[(choice / 3) % 6]);
    options.aleCopyName = (choice & 0x20) != 0;
    options.convertToWindowsName = (choice & 0x40) != 0;
    options.tcFieldName = (choice & 0x80) != 0 ? std::string(kConvertStartTo24) : "TC 24";
    options.userTxt1 = "Scene";
    options.userTxt2 = "";
    options.baseNameLength = static_cast<std::int32_t>(choice % 40) - 5;
    const std::string result = tools.ale2fcp(text, options);
    const bool failed = result == kAle2fcpFailed;
    if (failed != (ui.alerts().size() == 1) || ui.alerts().size() > 1 ||
        result.find('\n') != std::string::npos) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string decoded = decodeText(bytes);
    if (!isValidUtf8(decoded)) {
        std::abort();
    }
    convert(decoded, data[0]);
    convert(bytes, data[0]); // undecoded bytes too: the conversions must not trust their text
    return 0;
}
