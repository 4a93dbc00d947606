// SPDX-License-Identifier: MIT
#include "app/update_check.h"

#include "platform/http_fetch.h"

#include <cstdlib>

#ifndef KORVEL_UPDATE_URL_DEFAULT
#error "KORVEL_UPDATE_URL_DEFAULT names the version file (set by the build)"
#endif

namespace korvel::app {
namespace {

constexpr std::string_view kProgressTitle = "Software Update";

std::string stringOf(const PropertyListValue& dictionary, std::string_view key) {
    const PropertyListValue* value = dictionary.find(key);
    return value != nullptr && value->kind == PropertyListValue::Kind::String ? value->text
                                                                              : std::string();
}

} // namespace

std::string updateVersionFileUrl() {
    if (const char* url = std::getenv("KORVEL_UPDATE_URL"); url != nullptr && *url != '\0') {
        return url;
    }
    return KORVEL_UPDATE_URL_DEFAULT;
}

std::string hostNameOf(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) {
        return std::string(url);
    }
    std::string_view authority = url.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (!authority.empty() && authority.front() == '[') {
        // An IPv6 address keeps its brackets, without the port.
        const std::size_t close = authority.find(']');
        return std::string(
            authority.substr(0, close == std::string_view::npos ? close : close + 1));
    }
    return std::string(authority.substr(0, authority.find(':')));
}

UpdateCheckResult answerVersionFile(UserInterface& ui, const std::string& host,
                                    const Result<PropertyListValue>& versionFile) {
    UpdateCheckResult result;
    ProgressReporter& progress = ui.progress();
    if (!versionFile || versionFile->kind != PropertyListValue::Kind::Dictionary) {
        progress.end();
        result.reason =
            versionFile ? "the version file is not a dictionary" : versionFile.error().message;
        ui.beep();
        ui.runAlert(Alert{"Could not connect to " + host,
                          "Make sure you're connected to the Internet.",
                          "OK",
                          {},
                          {},
                          true});
        return result;
    }
    progress.end();

    const PropertyListValue& file = *versionFile;
    const PropertyListValue* number = file.find("myVersionNumber");
    result.availableBuild = number != nullptr ? number->integerValue() : 0;
    if (kOwnBuildNumber >= result.availableBuild) {
        result.outcome = UpdateCheckResult::Outcome::Latest;
        ui.runAlert(Alert{"You're using the latest version of Korvel Tools!",
                          "Check back later...",
                          "OK",
                          {},
                          {},
                          true});
        return result;
    }
    result.outcome = UpdateCheckResult::Outcome::NewerVersion;
    result.versionName = stringOf(file, "myVersionName");
    result.homepageUrl = stringOf(file, "myHomepageURL");
    result.downloadUrl = stringOf(file, "myDownloadURL");
    const int answer =
        ui.runAlert(Alert{"A new version of Korvel Tools is available: " + result.versionName,
                          stringOf(file, "myText"), "Homepage", "Close", "Download", true});
    if (answer == kAlertDefault && !result.homepageUrl.empty()) {
        ui.openUrl(result.homepageUrl);
    } else if (answer == kAlertOther && !result.downloadUrl.empty()) {
        ui.openUrl(result.downloadUrl);
    }
    return result;
}

UpdateCheckResult checkForUpdates(UserInterface& ui, const std::string& versionFileUrl,
                                  std::chrono::milliseconds timeout) {
    ProgressReporter& progress = ui.progress();
    progress.begin(std::string(kProgressTitle), 0);
    progress.update(0, "Checking for Updates...", {});
    HttpFetchOptions options;
    options.timeout = timeout;
    const Result<std::string> body = httpGet(versionFileUrl, options);
    const Result<PropertyListValue> versionFile =
        body ? parsePropertyList(*body) : Result<PropertyListValue>(body.error());
    return answerVersionFile(ui, hostNameOf(versionFileUrl), versionFile);
}

void checkForUpdates(UserInterface& ui, const std::string& versionFileUrl) {
    static_cast<void>(checkForUpdates(ui, versionFileUrl, kUpdateCheckTimeout));
}

} // namespace korvel::app
