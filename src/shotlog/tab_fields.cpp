// SPDX-License-Identifier: MIT
#include "shotlog/tab_fields.h"

namespace korvel {

void appendTabField(std::string& out, std::string_view value) {
    const std::size_t first = out.size();
    out += value;
    for (std::size_t at = first; at < out.size(); ++at) {
        if (out[at] == '\t' || out[at] == '\r' || out[at] == '\n') {
            out[at] = ' ';
        }
    }
}

} // namespace korvel
