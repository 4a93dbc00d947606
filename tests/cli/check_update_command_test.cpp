// SPDX-License-Identifier: MIT
// korvel check-update as scripts run it, against a server on this machine.
#include "run_korvel.h"
#include "support/local_http_server.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using test::LocalHttpServer;

std::string versionFile(int build) {
    return "<plist version=\"1.0\"><dict><key>myVersionNumber</key><integer>" +
           std::to_string(build) +
           "</integer><key>myVersionName</key><string>1.3</string>"
           "<key>myText</key><string>Faster.</string>"
           "<key>myHomepageURL</key><string>https://example.org/k</string>"
           "<key>myDownloadURL</key><string>https://example.org/k/get</string></dict></plist>";
}

TEST(CheckUpdateCommand, AnswersWhatTheWebSiteSays) {
    const test::TemporaryPrefs prefs;
    {
        const auto server = LocalHttpServer::answering(versionFile(17));
        const auto result = test::runKorvel(prefs.with({"check-update", "--url", server.url()}));
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, "newer: 1.3 (build 17)\nhomepage: https://example.org/k\n"
                              "download: https://example.org/k/get\n");
        EXPECT_EQ(result.err, "A new version of Korvel Tools is available: 1.3: Faster.\n");
    }
    {
        // The address may come from the environment, as a site mirror's does.
        const auto server = LocalHttpServer::answering(versionFile(16));
        ::setenv("KORVEL_UPDATE_URL", server.url().c_str(), 1);
        const auto result = test::runKorvel(prefs.with({"check-update"}));
        ::unsetenv("KORVEL_UPDATE_URL");
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, "latest: build 16 is the newest\n");
        EXPECT_EQ(result.err,
                  "You're using the latest version of Korvel Tools!: Check back later...\n");
    }
}

TEST(CheckUpdateCommand, UnreachableIsExitStatusOne) {
    const test::TemporaryPrefs prefs;
    const test::RefusingPort port;
    const auto result = test::runKorvel(prefs.with({"check-update", "--url", port.url()}));
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.starts_with(
        "Could not connect to 127.0.0.1: Make sure you're connected to the Internet.\n"))
        << result.err;
}

} // namespace
} // namespace korvel
