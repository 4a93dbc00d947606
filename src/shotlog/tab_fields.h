// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace korvel {

/// Appends `value` as one field of a tab-separated row (ALE logs, batch lists). A tab, "\r" or
/// "\n" inside it would open a new column or a new row for whoever reads the file, so each of
/// them is written as a space.
void appendTabField(std::string& out, std::string_view value);

} // namespace korvel
