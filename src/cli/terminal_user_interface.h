// SPDX-License-Identifier: MIT
#pragma once

#include "platform/user_interface.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvel {

/// The terminal's way of meeting the person: alerts on standard error as "TITLE: MESSAGE",
/// panels answered by the command's arguments, a progress bar when standard error is a terminal,
/// summaries on standard output.
class TerminalUserInterface final : public UserInterface, private ProgressReporter {
public:
    /// Answers an alert with several buttons, as a flag of the command says; nothing leaves the
    /// question to the person at a terminal, or to the default button elsewhere.
    using AlertAnswerer = std::function<std::optional<int>(const Alert&)>;
    using OpenPanelAnswerer = std::function<std::optional<std::vector<std::string>>(const OpenPanel&)>;
    using SavePanelAnswerer = std::function<std::optional<std::string>(const SavePanel&)>;

    TerminalUserInterface();

    void setAlertAnswerer(AlertAnswerer answerer) { m_alertAnswerer = std::move(answerer); }
    void setOpenPanelAnswerer(OpenPanelAnswerer answerer) { m_openAnswerer = std::move(answerer); }
    void setSavePanelAnswerer(SavePanelAnswerer answerer) { m_saveAnswerer = std::move(answerer); }

    /// True when an alert of this run has been shown: the operation stopped on it or warned.
    bool alertShown() const { return m_alertShown; }

    void beep() override;
    int runAlert(const Alert& alert) override;
    std::optional<std::vector<std::string>> runOpenPanel(const OpenPanel& panel) override;
    std::optional<std::string> runSavePanel(const SavePanel& panel) override;
    void showSummary(const std::string& title, const std::vector<std::string>& lines) override;
    ProgressReporter& progress() override { return *this; }

private:
    void begin(const std::string& title, double maximum) override;
    void update(double value, const std::string& line1, const std::string& line2) override;
    void end() override;

    int askAtTerminal(const Alert& alert) const;

    AlertAnswerer m_alertAnswerer;
    OpenPanelAnswerer m_openAnswerer;
    SavePanelAnswerer m_saveAnswerer;
    bool m_stdinIsTerminal;
    bool m_stderrIsTerminal;
    bool m_alertShown = false;
    double m_progressMaximum = 0;
};

} // namespace korvel
