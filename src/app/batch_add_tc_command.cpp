// SPDX-License-Identifier: MIT
#include "app/batch_add_tc_command.h"

#include "app/preference_keys.h"
#include "platform/path_names.h"

namespace korvel {
BatchAddTcCommand::BatchAddTcCommand(UserInterface& ui, PreferenceStore& prefs,
                                     KTLogController& log, TimecodeTrackOperations tracks)
    : m_ui(ui), m_prefs(prefs), m_log(log), m_tracks(std::move(tracks)) {}

bool BatchAddTcCommand::clickChooseBatchList() {
    OpenPanel open;
    open.title = "Select Ale log:";
    open.prompt = "Select";
    open.optionView = "TCToolView";
    open.allowedExtensions = {"ALE", "ale", "txt", "TXT"};
    open.allowedTypeCodes = {"TEXT"};
    open.startFolder = folderOf(m_prefs.stringOrEmpty(prefkey::kLastAleDir));
    open.chooseFiles = true;
    open.chooseFolders = false;
    const auto chosen = m_ui.runOpenPanel(open);
    if (!chosen || chosen->empty()) {
        return false;
    }
    m_aleFile = chosen->front();
    m_prefs.setString(prefkey::kLastAleDir, m_aleFile);
    return true;
}

bool BatchAddTcCommand::clickChooseMediaFolder() {
    OpenPanel open;
    open.title = "Select Media Folder:";
    open.prompt = "Start";
    open.optionView = "TCTool2";
    open.startFolder = m_prefs.stringOrEmpty(prefkey::kLastMfDir);
    open.chooseFiles = false;
    open.chooseFolders = true;
    open.allowsMultipleSelection = false;
    const auto chosen = m_ui.runOpenPanel(open);
    if (!chosen || chosen->empty()) {
        return false;
    }
    m_mediaFolder = chosen->front();
    m_prefs.setString(prefkey::kLastMfDir, m_mediaFolder);
    return true;
}

SetMovieTCFromAleOptions BatchAddTcCommand::optionsFromPreferences(const PreferenceStore& prefs,
                                                                   std::string alePath,
                                                                   std::string mediaFolder) {
    SetMovieTCFromAleOptions options;
    options.alePath = std::move(alePath);
    options.mediaFolder = std::move(mediaFolder);
    options.tcField = prefs.stringOrEmpty(prefkey::kTcColumn);
    options.tvsys = prefs.stringOrEmpty(prefkey::kTVSys);
    options.overwrite = prefs.boolean(prefkey::kOverwrite);
    options.movieExtension = prefs.stringOrEmpty(prefkey::kMovieExtension);
    options.DFValue = prefs.boolean(prefkey::kDF);
    options.baseNameLength = clipBaseNameLength(prefs);
    // A column that already holds 24 fps timecode is never converted again.
    options.convertTo24TC =
        prefs.boolean(prefkey::kConvertTo24Tc) && options.tcField != "TC 24 Start";
    options.windowsText = prefs.boolean(prefkey::kQtcWindows);
    return options;
}

CommandOutcome BatchAddTcCommand::clickDoSetTC() {
    m_lastSummary.reset();
    if (!clickChooseBatchList() || !clickChooseMediaFolder()) {
        return CommandOutcome::Cancelled;
    }
    BatchAddTc batch(
        m_ui, [&log = m_log](std::string_view entry) { log.KTAddLogEntry(entry); }, m_tracks);
    auto summary =
        batch.setMovieTCFromAle(optionsFromPreferences(m_prefs, m_aleFile, m_mediaFolder));
    if (!summary) {
        return CommandOutcome::Failed;
    }
    m_lastSummary = *summary;
    return summary->cancelled ? CommandOutcome::Cancelled : CommandOutcome::Done;
}

} // namespace korvel
