// SPDX-License-Identifier: MIT
#include "cli/session.h"

#include "app/startup.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>

namespace korvel {
namespace {

std::string findHomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

std::unique_ptr<QSettingsPreferenceStore> openStore(const std::string& prefsFile) {
    std::string path = prefsFile;
    if (path.empty()) {
        if (const char* fromEnvironment = std::getenv("KORVEL_PREFS")) {
            path = fromEnvironment;
        }
    }
    if (path.empty()) {
        return std::make_unique<QSettingsPreferenceStore>();
    }
    return std::make_unique<QSettingsPreferenceStore>(path);
}

} // namespace

Session::Session(const GlobalOptions& options)
    : m_store(openStore(options.prefsFile)), m_overlay(*m_store),
      m_homeDirectory(findHomeDirectory()), m_logFile(options.logFile) {
    static_cast<void>(prepareStore(*m_store, m_homeDirectory));
    for (const auto& [key, value] : options.overrides) {
        m_overlay.override(key, value);
    }
    m_log.setListener([this](std::string_view entry) { m_ui.writeLogEntry(entry); });
}

bool Session::savePreferences() {
    m_store->synchronize();
    if (!m_store->stored()) {
        std::cerr << "korvel: could not save the preferences to " << m_store->location() << '\n';
        return false;
    }
    return true;
}

Session::~Session() {
    static_cast<void>(savePreferences());
    if (!m_logFile.empty()) {
        std::ofstream out(m_logFile, std::ios::binary | std::ios::trunc);
        out << m_log.logString();
        if (!out) {
            std::cerr << "korvel: could not write the log to " << m_logFile << '\n';
        }
    }
}

} // namespace korvel
