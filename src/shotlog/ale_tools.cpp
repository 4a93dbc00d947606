// SPDX-License-Identifier: MIT
#include "shotlog/ale_tools.h"

#include "platform/path_names.h"
#include "platform/text_file.h"

namespace korvel {
ALETools::ALETools(UserInterface& ui, LogSink log)
    : m_ui(ui), m_log(std::move(log)), m_writer(writeTextFileAtomically) {}

ALETools::ALETools(UserInterface& ui, LogSink log, PreferenceStore& preferences,
                   FileAttributes& fileAttributes, TextFileWriter writer)
    : m_ui(ui), m_log(std::move(log)), m_preferences(&preferences),
      m_fileAttributes(&fileAttributes),
      m_writer(writer ? std::move(writer) : TextFileWriter(writeTextFileAtomically)) {}

bool ALETools::saveAleFile(std::string_view aleString, const std::string& newAleName) {
    SavePanel panel;
    panel.title = "Save ALE Log";
    panel.requiredExtension = "ale";
    panel.proposedName = newAleName;
    if (m_preferences) {
        panel.startFolder = m_preferences->stringOrEmpty("fcp2aleSaveDir");
    }
    const auto path = m_ui.runSavePanel(panel);
    if (!path) {
        return true; // the person chose not to keep this bin
    }
    if (const std::string folder = folderOf(*path); m_preferences && !folder.empty()) {
        m_preferences->setString("fcp2aleSaveDir", folder);
    }
    if (const Status written = m_writer(*path, aleString); !written) {
        // Saying nothing would let the person believe the log was saved.
        stopWithAlert(m_ui, "The ALE file could not be saved!", written.error().message);
        return false;
    }
    if (m_fileAttributes &&
        !m_fileAttributes->setTypeAndCreator(*path, FourCharCode::of("TEXT"), FourCharCode{})) {
        m_log("There was a problem setting type code on " + *path);
    }
    return true;
}

} // namespace korvel
