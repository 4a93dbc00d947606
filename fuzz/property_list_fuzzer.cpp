// SPDX-License-Identifier: MIT
// Version files from the web: whatever the bytes, the property-list reader answers a value or a
// reason, stays within its nesting bound, and the update check's answer to it shows exactly one
// alert.
#include "app/update_check.h"
#include "platform/property_list.h"
#include "platform/scripted_user_interface.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

using namespace korvel;

namespace {

int depthOf(const PropertyListValue& value) {
    int deepest = 0;
    for (const PropertyListValue& item : value.array) {
        deepest = std::max(deepest, depthOf(item));
    }
    for (const auto& [key, item] : value.dictionary) {
        deepest = std::max(deepest, depthOf(item));
    }
    const bool container = value.kind == PropertyListValue::Kind::Array ||
                           value.kind == PropertyListValue::Kind::Dictionary;
    return deepest + (container ? 1 : 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto plist = parsePropertyList(text);
    if (plist) {
        if (depthOf(*plist) > kPropertyListMaxDepth) {
            __builtin_trap();
        }
        (void)plist->integerValue();
        if (const PropertyListValue* number = plist->find("myVersionNumber")) {
            (void)number->integerValue();
        }
    } else if (plist.error().message.empty()) {
        __builtin_trap();
    }
    ScriptedUserInterface ui;
    ui.queueAlertAnswer(kAlertAlternate); // "Close": nothing is opened
    (void)app::answerVersionFile(ui, "korvel.org", plist);
    if (ui.alerts().size() != 1 || !ui.openedUrls().empty()) {
        __builtin_trap();
    }
    return 0;
}
