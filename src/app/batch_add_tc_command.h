// SPDX-License-Identifier: MIT
#pragma once

#include "app/conversion_commands.h"
#include "app/log_controller.h"
#include "movie/batch_add_tc.h"
#include "platform/preference_store.h"
#include "platform/user_interface.h"

#include <optional>
#include <string>

namespace korvel {

/// The Batch Add TC command: an ALE in one open panel, the media folder in a second, then the
/// batch with the options of the preference store. The chosen ALE and folder stay for the next
/// run.
class BatchAddTcCommand {
  public:
    BatchAddTcCommand(UserInterface& ui, PreferenceStore& prefs, KTLogController& log,
                      TimecodeTrackOperations tracks);

    /// The whole command. Done also when some movies could not be changed: lastSummary() says so.
    CommandOutcome clickDoSetTC();

    /// Asks for the ALE ("Select Ale log:"); true when one was chosen.
    bool clickChooseBatchList();
    /// Asks for the media folder ("Select Media Folder:"); true when one was chosen.
    bool clickChooseMediaFolder();

    const std::string& aleFile() const { return m_aleFile; }
    const std::string& mediaFolder() const { return m_mediaFolder; }
    /// The counts of the last batch that ran to its end.
    const std::optional<BatchAddTcSummary>& lastSummary() const { return m_lastSummary; }

    /// The options a batch gets from the store, for the chosen ALE and folder.
    static SetMovieTCFromAleOptions optionsFromPreferences(const PreferenceStore& prefs,
                                                           std::string alePath,
                                                           std::string mediaFolder);

  private:
    UserInterface& m_ui;
    PreferenceStore& m_prefs;
    KTLogController& m_log;
    TimecodeTrackOperations m_tracks;
    std::string m_aleFile;
    std::string m_mediaFolder;
    std::optional<BatchAddTcSummary> m_lastSummary;
};

} // namespace korvel
