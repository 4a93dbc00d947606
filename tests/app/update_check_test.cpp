// SPDX-License-Identifier: MIT
// Software Update against a server on this machine: what each answer of the web site shows.
#include "app/update_check.h"
#include "platform/scripted_user_interface.h"
#include "support/local_http_server.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using app::UpdateCheckResult;
using Outcome = UpdateCheckResult::Outcome;
using test::LocalHttpServer;

// Short, so that the silent server's case ends soon; a local answer takes far less.
constexpr std::chrono::milliseconds kTestTimeout{1500};

const std::string kNewer =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
    "  <key>myVersionNumber</key><integer>17</integer>\n"
    "  <key>myVersionName</key><string>1.3</string>\n"
    "  <key>myText</key><string>Faster bwf2qt &amp; a new viewer.</string>\n"
    "  <key>myHomepageURL</key><string>https://example.org/korvel</string>\n"
    "  "
    "<key>myDownloadURL</key><string>https://example.org/korvel/get</string>\n</dict>\n</plist>\n";
const std::string kNewerAlert =
    "alert A new version of Korvel Tools is available: 1.3|Faster bwf2qt & a new viewer."
    "|Homepage|Close|Download";
const std::string kLatestAlert =
    "alert You're using the latest version of Korvel Tools!|Check back later...|OK||";
const std::string kNoConnection =
    "alert Could not connect to 127.0.0.1|Make sure you're connected to the Internet.|OK||";

TEST(UpdateCheck, EachAnswerOfTheWebSite) {
    struct Case {
        const char* name;
        std::string response; // a body; "HTTP/..." a whole response; empty: never answered
        int answer;
        Outcome outcome;
        std::string shown;  // the alert, after a beep when it says no connection
        std::string opened; // the address opened after it
    };
    // clang-format off
    const Case cases[] = {
        {"newer, Homepage", kNewer, kAlertDefault, Outcome::NewerVersion, kNewerAlert,
         "https://example.org/korvel"},
        {"newer, Download", kNewer, kAlertOther, Outcome::NewerVersion, kNewerAlert,
         "https://example.org/korvel/get"},
        {"newer, Close, text form", "{ myVersionNumber = 17; myVersionName = \"1.3\";\n"
         "  myText = \"Faster bwf2qt & a new viewer.\"; }\n",
         kAlertAlternate, Outcome::NewerVersion, kNewerAlert, {}},
        {"same build", "<plist><dict><key>myVersionNumber</key><integer>16</integer></dict>"
         "</plist>", kAlertDefault, Outcome::Latest, kLatestAlert, {}},
        {"missing key", "<plist><dict><key>myText</key><string>hi</string></dict></plist>",
         kAlertDefault, Outcome::Latest, kLatestAlert, {}},
        {"garbage", "<html><body>Not here</body></html>", kAlertDefault, Outcome::CouldNotConnect,
         kNoConnection, {}},
        {"error status",
         "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
         kAlertDefault, Outcome::CouldNotConnect, kNoConnection, {}},
        {"timeout", "", kAlertDefault, Outcome::CouldNotConnect, kNoConnection, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LocalHttpServer server = c.response.empty() ? LocalHttpServer::silent()
                                       : c.response.starts_with("HTTP")
                                           ? LocalHttpServer::raw(c.response)
                                           : LocalHttpServer::answering(c.response);
        ScriptedUserInterface ui;
        ui.queueAlertAnswer(c.answer);
        EXPECT_EQ(app::checkForUpdates(ui, server.url(), kTestTimeout).outcome, c.outcome);
        // The indicator turns while fetching and has stopped before any alert.
        std::vector<std::string> expected = {"progress begin Software Update 0.000000",
                                             "progress 0.000000 Checking for Updates...|",
                                             "progress end"};
        if (c.outcome == Outcome::CouldNotConnect) {
            expected.push_back("beep");
        }
        expected.push_back(c.shown);
        if (!c.opened.empty()) {
            expected.push_back("open-url " + c.opened);
        }
        EXPECT_EQ(ui.events(), expected);
    }
}

TEST(UpdateCheck, UnreachableOrNotAWebAddressIsNoConnection) {
    const test::RefusingPort port;
    for (const std::string& url : {port.url(), std::string("file:///etc/passwd")}) {
        ScriptedUserInterface ui;
        const UpdateCheckResult result = app::checkForUpdates(ui, url, kTestTimeout);
        EXPECT_EQ(result.outcome, Outcome::CouldNotConnect) << url;
        EXPECT_FALSE(result.reason.empty()) << url;
    }
    const std::pair<const char*, const char*> hosts[] = {
        {"https://user:pw@mirror.example:8443/v?x=1", "mirror.example"},
        {"http://[::1]:8080/v.plist", "[::1]"},
        {"https://korvel.org", "korvel.org"},
    };
    for (const auto& [url, host] : hosts) {
        EXPECT_EQ(app::hostNameOf(url), host) << url;
    }
}

TEST(UpdateCheck, EnvironmentOverridesTheBuiltInAddress) {
    ::unsetenv("KORVEL_UPDATE_URL");
    const std::string builtIn = app::updateVersionFileUrl();
    EXPECT_TRUE(builtIn.starts_with("https://")) << builtIn;
    ::setenv("KORVEL_UPDATE_URL", "http://127.0.0.1:9/v.plist", 1);
    EXPECT_EQ(app::updateVersionFileUrl(), "http://127.0.0.1:9/v.plist");
    ::setenv("KORVEL_UPDATE_URL", "", 1);
    EXPECT_EQ(app::updateVersionFileUrl(), builtIn);
    ::unsetenv("KORVEL_UPDATE_URL");
}

} // namespace
} // namespace korvel
