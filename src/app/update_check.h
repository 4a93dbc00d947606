// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace korvel {
class UserInterface;
}

namespace korvel::app {

/// Fetches the version file at `url`, compares it with this build and tells the person.
void checkForUpdates(UserInterface& ui, const std::string& url);

/// The address of the product's version file.
std::string updateVersionFileUrl();

} // namespace korvel::app
