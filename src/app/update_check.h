// SPDX-License-Identifier: MIT
#pragma once

// Software Update: the version file on the product's web site, compared with this build.

#include "platform/property_list.h"
#include "platform/user_interface.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::app {

/// This program's build number, as the version file's "myVersionNumber" counts builds.
inline constexpr std::int64_t kOwnBuildNumber = 16;

/// The longest the fetch of the version file may take.
inline constexpr std::chrono::milliseconds kUpdateCheckTimeout{10000};

/// The version file's address: $KORVEL_UPDATE_URL when set and not empty, else the address this
/// build was made with.
std::string updateVersionFileUrl();

/// The host of an address as the failure alert names it ("korvel.org" of
/// "https://korvel.org:8443/v.plist"); the address itself when it has none.
std::string hostNameOf(std::string_view url);

/// What the check found.
struct UpdateCheckResult {
    enum class Outcome { CouldNotConnect, Latest, NewerVersion };
    Outcome outcome = Outcome::CouldNotConnect;
    std::int64_t availableBuild = 0;
    std::string versionName;
    std::string homepageUrl;
    std::string downloadUrl;
    /// Why the version file could not be had (CouldNotConnect only).
    std::string reason;
};

/// The check's answer for a version file that has been read (or could not be): the alerts and
/// the opening of the chosen page on `ui`. `versionFile` must be a dictionary to count.
UpdateCheckResult answerVersionFile(UserInterface& ui, const std::string& host,
                                    const Result<PropertyListValue>& versionFile);

/// The whole check, with the fetch ended after `timeout`. Blocks while fetching: call it from a
/// worker thread in a window. The `ui` calls come from the calling thread.
UpdateCheckResult checkForUpdates(UserInterface& ui, const std::string& versionFileUrl,
                                  std::chrono::milliseconds timeout);

/// The check as the "Software Update" command runs it.
void checkForUpdates(UserInterface& ui, const std::string& versionFileUrl);

} // namespace korvel::app
