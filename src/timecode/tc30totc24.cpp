// SPDX-License-Identifier: MIT
#include "timecode/tc30totc24.h"

#include <array>

namespace korvel {
namespace {

// 24 fps frame for each 30 fps frame 00 to 29: the nearest integer to frame x 4/5.
constexpr std::array<const char*, 30> kTc24Table = {
    "00", "01", "02", "02", "03", "04", "05", "06", "06", "07", "08", "09", "10", "10", "11",
    "12", "13", "14", "14", "15", "16", "17", "18", "18", "19", "20", "21", "22", "22", "23"};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::string> tc30totc24(std::string_view tcValue) {
    if (tcValue.size() < 11 || !isDigit(tcValue[9]) || !isDigit(tcValue[10])) {
        return std::nullopt;
    }
    const int frame = (tcValue[9] - '0') * 10 + (tcValue[10] - '0');
    if (frame >= static_cast<int>(kTc24Table.size())) {
        return std::nullopt;
    }
    std::string result(tcValue.substr(0, 9));
    result += kTc24Table[static_cast<std::size_t>(frame)];
    return result;
}

} // namespace korvel
