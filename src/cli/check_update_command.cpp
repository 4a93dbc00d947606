// SPDX-License-Identifier: MIT
// korvel check-update [--url URL]: Software Update for scripts. The alert goes to standard error
// as every alert does; the answer, with the pages of a newer version, to standard output.
#include "cli/check_update_command.h"

#include "app/update_check.h"
#include "cli/session.h"

#include <iostream>
#include <memory>

namespace korvel {
namespace {

struct CheckUpdateArguments {
    std::string url;
};

int checkUpdate(Session& session, const CheckUpdateArguments& args) {
    using Outcome = app::UpdateCheckResult::Outcome;
    const std::string url = args.url.empty() ? app::updateVersionFileUrl() : args.url;
    // The pages are printed below, so the question is closed rather than opening a browser.
    session.ui().setAlertAnswerer([](const Alert&) { return kAlertAlternate; });
    const app::UpdateCheckResult result =
        app::checkForUpdates(session.ui(), url, app::kUpdateCheckTimeout);
    switch (result.outcome) {
    case Outcome::CouldNotConnect:
        std::cerr << "korvel: " << result.reason << '\n';
        return kExitFailed;
    case Outcome::Latest:
        std::cout << "latest: build " << app::kOwnBuildNumber << " is the newest\n";
        return kExitDone;
    case Outcome::NewerVersion:
        std::cout << "newer: " << result.versionName << " (build " << result.availableBuild
                  << ")\nhomepage: " << result.homepageUrl << "\ndownload: " << result.downloadUrl
                  << '\n';
        return kExitDone;
    }
    return kExitFailed;
}

} // namespace

void addCheckUpdateCommand(CLI::App& app, CommandTable& table) {
    auto args = std::make_shared<CheckUpdateArguments>();
    CLI::App* command = app.add_subcommand(
        "check-update", "Ask the product's web site whether a newer Korvel Tools exists");
    command
        ->add_option("--url", args->url,
                     "the version file to read (default: $KORVEL_UPDATE_URL, else the "
                     "address this build was made with)")
        ->type_name("URL");
    command->footer(
        "Prints \"latest: ...\", or \"newer: NAME (build N)\" with the homepage and download "
        "addresses.\nExit status 0 when the web site answered, 1 when it could not be reached or "
        "its answer was unreadable.\nThe fetch gives up after 10 seconds.\n"
        "Examples:\n"
        "  korvel check-update\n"
        "  korvel check-update --url http://127.0.0.1:8000/version.plist");
    table.add(command, [args](Session& session) { return checkUpdate(session, *args); });
}

} // namespace korvel
