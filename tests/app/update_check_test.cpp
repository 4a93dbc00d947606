// SPDX-License-Identifier: MIT
// Software Update against a server on this machine: what each answer of the web site shows.
#include "app/update_check.h"
#include "platform/scripted_user_interface.h"
#include "support/local_http_server.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace korvel {
namespace {

using app::UpdateCheckResult;
using Outcome = UpdateCheckResult::Outcome;
using test::LocalHttpServer;

// Short, so that the silent server's case ends soon; a local answer takes far less.
constexpr std::chrono::milliseconds kTestTimeout{1500};

std::string versionFile(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n" +
           entries + "</dict>\n</plist>\n";
}

const std::string kNewer =
    versionFile("  <key>myVersionNumber</key><integer>17</integer>\n"
                "  <key>myVersionName</key><string>1.3</string>\n"
                "  <key>myText</key><string>Faster bwf2qt &amp; a new viewer.</string>\n"
                "  <key>myHomepageURL</key><string>https://example.org/korvel</string>\n"
                "  <key>myDownloadURL</key><string>https://example.org/korvel/get</string>\n");

const std::string kLatestAlert =
    "alert You're using the latest version of Korvel Tools!|Check back later...|OK||";
const std::string kNewerAlert =
    "alert A new version of Korvel Tools is available: 1.3|Faster bwf2qt & a new viewer."
    "|Homepage|Close|Download";
const std::string kNoConnection =
    "alert Could not connect to 127.0.0.1|Make sure you're connected to the Internet.|OK||";

struct Case {
    const char* name;
    std::function<LocalHttpServer()> server; // empty: a port that refuses connections
    int answer;
    Outcome outcome;
    std::vector<std::string> shown; // beeps and alerts, in order
    std::vector<std::string> opened;
};

std::vector<std::string> shownEvents(const ScriptedUserInterface& ui) {
    std::vector<std::string> shown;
    for (const std::string& event : ui.events()) {
        if (event == "beep" || event.starts_with("alert ")) {
            shown.push_back(event);
        }
    }
    return shown;
}

TEST(UpdateCheck, EachAnswerOfTheWebSite) {
    const std::vector<Case> cases = {
        {"newer, Homepage",
         [] { return LocalHttpServer::answering(kNewer); },
         kAlertDefault,
         Outcome::NewerVersion,
         {kNewerAlert},
         {"https://example.org/korvel"}},
        {"newer, Download",
         [] { return LocalHttpServer::answering(kNewer); },
         kAlertOther,
         Outcome::NewerVersion,
         {kNewerAlert},
         {"https://example.org/korvel/get"}},
        {"newer, Close",
         [] { return LocalHttpServer::answering(kNewer); },
         kAlertAlternate,
         Outcome::NewerVersion,
         {kNewerAlert},
         {}},
        {"newer, text form",
         [] {
             return LocalHttpServer::answering("{ myVersionNumber = 17; myVersionName = \"1.3\";\n"
                                               "  myText = \"Faster bwf2qt & a new viewer.\"; }\n");
         },
         kAlertAlternate,
         Outcome::NewerVersion,
         {kNewerAlert},
         {}},
        {"same build",
         [] {
             return LocalHttpServer::answering(
                 versionFile("<key>myVersionNumber</key><integer>16</integer>"));
         },
         kAlertDefault,
         Outcome::Latest,
         {kLatestAlert},
         {}},
        {"missing key",
         [] {
             return LocalHttpServer::answering(versionFile("<key>myText</key><string>hi</string>"));
         },
         kAlertDefault,
         Outcome::Latest,
         {kLatestAlert},
         {}},
        {"garbage",
         [] { return LocalHttpServer::answering("<html><body>Not here</body></html>"); },
         kAlertDefault,
         Outcome::CouldNotConnect,
         {"beep", kNoConnection},
         {}},
        {"not a dictionary",
         [] {
             return LocalHttpServer::answering(
                 "<plist><array><integer>17</integer></array></plist>");
         },
         kAlertDefault,
         Outcome::CouldNotConnect,
         {"beep", kNoConnection},
         {}},
        {"error status",
         [] {
             return LocalHttpServer::raw(
                 "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
         },
         kAlertDefault,
         Outcome::CouldNotConnect,
         {"beep", kNoConnection},
         {}},
        {"timeout",
         [] { return LocalHttpServer::silent(); },
         kAlertDefault,
         Outcome::CouldNotConnect,
         {"beep", kNoConnection},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LocalHttpServer server = c.server();
        ScriptedUserInterface ui;
        ui.queueAlertAnswer(c.answer);
        const UpdateCheckResult result = app::checkForUpdates(ui, server.url(), kTestTimeout);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(shownEvents(ui), c.shown);
        EXPECT_EQ(ui.openedUrls(), c.opened);
        // The indicator turns while fetching and has stopped before any alert.
        ASSERT_GE(ui.events().size(), 3u);
        EXPECT_EQ(ui.events()[0], "progress begin Software Update 0.000000");
        EXPECT_EQ(ui.events()[1], "progress 0.000000 Checking for Updates...|");
        EXPECT_EQ(ui.events()[2], "progress end");
    }
}

TEST(UpdateCheck, UnreachableHostIsNoConnection) {
    const test::RefusingPort port;
    ScriptedUserInterface ui;
    const UpdateCheckResult result = app::checkForUpdates(ui, port.url(), kTestTimeout);
    EXPECT_EQ(result.outcome, Outcome::CouldNotConnect);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_EQ(shownEvents(ui), (std::vector<std::string>{"beep", kNoConnection}));
}

TEST(UpdateCheck, AddressesAndTheirHosts) {
    const std::pair<const char*, const char*> cases[] = {
        {"https://www.korvel.org/korveltools/version.plist", "www.korvel.org"},
        {"http://127.0.0.1:8000/v.plist", "127.0.0.1"},
        {"https://user:pw@mirror.example:8443/v?x=1", "mirror.example"},
        {"http://[::1]:8080/v.plist", "[::1]"},
        {"https://korvel.org", "korvel.org"},
        {"not an address", "not an address"},
    };
    for (const auto& [url, host] : cases) {
        EXPECT_EQ(app::hostNameOf(url), host) << url;
    }
    // Anything but http and https is refused before any connection.
    ScriptedUserInterface ui;
    EXPECT_EQ(app::checkForUpdates(ui, "file:///etc/passwd", kTestTimeout).outcome,
              Outcome::CouldNotConnect);
    EXPECT_EQ(ui.alerts().at(0).title, "Could not connect to ");
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
