// SPDX-License-Identifier: MIT
#include "cli/session.h"

#include "app/startup.h"
#include "app/timecode_commands.h"
#include "platform/file_identity.h"
#include "platform/path_names.h"

#include <fstream>
#include <iostream>

namespace korvel {

Session::Session(const GlobalOptions& options)
    : m_store(openPreferenceStore(options.prefsFile)), m_readOnly(options.readOnlyStore),
      m_overlay(persistentPrefs()), m_homeDirectory(korvel::homeDirectory()),
      m_logFile(options.logFile) {
    if (m_readOnly) {
        for (const std::string& key : m_store->keys()) {
            m_readOnlyCopy.setValue(key, *m_store->value(key));
        }
    }
    static_cast<void>(prepareStore(persistentPrefs(), m_homeDirectory));
    for (const auto& [key, value] : options.overrides) {
        m_overlay.override(key, value);
    }
    m_log.setListener([this](std::string_view entry) { m_ui.writeLogEntry(entry); });
}

Status Session::spareFromLog(const std::vector<std::string>& namedFiles) {
    if (m_logFile.empty()) {
        return {};
    }
    std::vector<std::string> named = namedFiles;
    named.push_back(m_store->location());
    if (Status spared = checkOutputsSpareInputs(named, {m_logFile}); !spared) {
        m_logFile.clear();
        return spared;
    }
    return {};
}

bool Session::savePreferences() {
    if (m_readOnly) {
        return true;
    }
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

bool requireStoredTvSystem(Session& session) {
    if (Status stored = checkStoredTvSystem(session.prefs()); !stored) {
        std::cerr << "korvel: " << stored.error().message << " (set it with --tv)\n";
        return false;
    }
    return true;
}

} // namespace korvel
