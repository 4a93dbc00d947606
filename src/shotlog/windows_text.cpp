// SPDX-License-Identifier: MIT
#include "shotlog/windows_text.h"

#include <algorithm>

namespace korvel {
namespace {

constexpr std::string_view kForbidden = "/:\"*?|<>\\";

// In UTF-8 both are two bytes, so the swap keeps every byte position.
constexpr std::string_view kOStroke = "\xC3\xB8";
constexpr std::string_view kRegistered = "\xC2\xAE";

} // namespace

std::string convertWindowsText(std::string_view text, std::string_view winSys) {
    // Every forbidden character is ASCII, and ASCII bytes never occur inside a multi-byte UTF-8
    // character, so a byte-wise replacement is a character-wise one.
    std::string converted(text);
    std::replace_if(
        converted.begin(), converted.end(),
        [](char c) { return kForbidden.find(c) != std::string_view::npos; }, ' ');
    if (winSys == "WIN2K") {
        for (std::size_t at = converted.find(kOStroke); at != std::string::npos;
             at = converted.find(kOStroke, at + kRegistered.size())) {
            converted.replace(at, kOStroke.size(), kRegistered);
        }
    }
    return converted;
}

} // namespace korvel
