// SPDX-License-Identifier: MIT
#pragma once

#include "app/log_controller.h"
#include "base/result.h"
#include "cli/terminal_user_interface.h"
#include "platform/console.h"
#include "platform/file_attributes.h"
#include "platform/preference_store.h"
#include "platform/qsettings_preference_store.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

/// The options every command shares.
struct GlobalOptions {
    std::string prefsFile;                                          // --prefs, else $KORVEL_PREFS
    std::vector<std::pair<std::string, PreferenceValue>> overrides; // --set and the shorthands
    std::string logFile;                                            // --log
    /// The command only reads the store: nothing is written to it, no folder made for it.
    bool readOnlyStore = false;
};

/// Everything a command of one run works with: the preference store (with this run's overrides),
/// the output log (entries echoed to standard error), the terminal as user interface, the console
/// and file attributes. The log file, if asked for, is written when the session ends.
class Session {
  public:
    explicit Session(const GlobalOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    PreferenceStore& prefs() { return m_overlay; }
    /// The store without this run's overrides, for the commands that change stored values.
    PreferenceStore& persistentPrefs() {
        return m_readOnly ? static_cast<PreferenceStore&>(m_readOnlyCopy) : *m_store;
    }
    /// Forces the stored values to disk; false (and a message) when they could not be saved.
    bool savePreferences();
    KTLogController& log() { return m_log; }
    TerminalUserInterface& ui() { return m_ui; }
    Console& console() { return m_console; }
    FileAttributes& fileAttributes() { return m_fileAttributes; }
    const std::string& homeDirectory() const { return m_homeDirectory; }
    /// The --log file ("" without one).
    const std::string& logFile() const { return m_logFile; }
    /// Fails, and drops the log, when the log file is one of `namedFiles` (what the command
    /// line names, the preference store): writing the log would replace it.
    Status spareFromLog(const std::vector<std::string>& namedFiles);

  private:
    std::unique_ptr<QSettingsPreferenceStore> m_store;
    // A read-only run works on a copy of the stored values, so the store is never written.
    MemoryPreferenceStore m_readOnlyCopy;
    bool m_readOnly;
    OverlayPreferenceStore m_overlay;
    KTLogController m_log;
    TerminalUserInterface m_ui;
    StandardErrorConsole m_console;
    ExtendedAttributeFileAttributes m_fileAttributes;
    std::string m_homeDirectory;
    std::string m_logFile;
};

/// False, with the reason on standard error, when the store's TV system is not one of the choices.
bool requireStoredTvSystem(Session& session);

} // namespace korvel
