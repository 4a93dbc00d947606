// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace korvel {

/// A clip name made fit to be a Windows file name: each of / : " * ? | < > \ becomes a space.
/// With `winSys` "WIN2K", every "ø" also becomes "®". Nothing is trimmed or collapsed, and the
/// result has as many characters as the text.
std::string convertWindowsText(std::string_view text, std::string_view winSys);

} // namespace korvel
