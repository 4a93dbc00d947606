// SPDX-License-Identifier: MIT
#include "platform/console.h"

#include <iostream>

namespace korvel {

void StandardErrorConsole::diagnostic(std::string_view message) {
    std::cerr << message << '\n';
}

} // namespace korvel
