// SPDX-License-Identifier: MIT
#pragma once

#include "cli/progress_line.h"
#include "platform/user_interface.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

/// The terminal's way of meeting the person: alerts on standard error as "TITLE: MESSAGE",
/// panels answered by the command's arguments, a progress line when standard error is a terminal
/// (cleared before anything else is written there), summaries on standard output.
class TerminalUserInterface final : public UserInterface, private ProgressReporter {
  public:
    /// Answers an alert with several buttons, as a flag of the command says; nothing leaves the
    /// question to the person at a terminal, or to the default button elsewhere.
    using AlertAnswerer = std::function<std::optional<int>(const Alert&)>;
    using OpenPanelAnswerer =
        std::function<std::optional<std::vector<std::string>>(const OpenPanel&)>;
    using SavePanelAnswerer = std::function<std::optional<std::string>(const SavePanel&)>;

    TerminalUserInterface();
    /// Writes to `errors` instead of standard error, taking it as a terminal or not.
    TerminalUserInterface(std::FILE* errors, bool stdinIsTerminal, bool errorsAreTerminal);

    void setAlertAnswerer(AlertAnswerer answerer) { m_alertAnswerer = std::move(answerer); }
    void setOpenPanelAnswerer(OpenPanelAnswerer answerer) { m_openAnswerer = std::move(answerer); }
    void setSavePanelAnswerer(SavePanelAnswerer answerer) { m_saveAnswerer = std::move(answerer); }

    /// True when an alert of this run has been shown: the operation stopped on it or warned.
    bool alertShown() const { return m_alertShown; }

    /// The progress line is drawn by the interface itself.
    ProgressReporter& progress() override { return *this; }
    void beep() override;
    int runAlert(const Alert& alert) override;
    std::optional<std::vector<std::string>> runOpenPanel(const OpenPanel& panel) override;
    std::optional<std::string> runSavePanel(const SavePanel& panel) override;
    void showSummary(const std::string& title, const std::vector<std::string>& lines) override;

    /// One entry of the output log, its carriage returns made line ends, on its own line(s).
    void writeLogEntry(std::string_view entry);

  private:
    void begin(const std::string& title, double maximum) override;
    void update(double value, const std::string& line1, const std::string& line2) override;
    void end() override;
    void fileProgress(std::uint64_t bytesDone, std::uint64_t bytesTotal) override;

    int askAtTerminal(const Alert& alert) const;
    /// Takes the progress line off the screen, so that what follows starts a clean line.
    void clearProgress();
    void drawProgress();

    AlertAnswerer m_alertAnswerer;
    OpenPanelAnswerer m_openAnswerer;
    SavePanelAnswerer m_saveAnswerer;
    std::FILE* m_errors;
    bool m_stdinIsTerminal;
    bool m_stderrIsTerminal;
    bool m_alertShown = false;
    ProgressLine m_progress;
    bool m_progressDrawn = false;
    ProgressLine::Clock::time_point m_lastDrawn{};
};

} // namespace korvel
