// SPDX-License-Identifier: MIT
#pragma once

#include "platform/user_interface.h"

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace korvel {

/// A user interface for tests: answers are queued in advance, and every request is recorded,
/// so that a command's whole dialogue can be checked without a display.
class ScriptedUserInterface final : public UserInterface, private ProgressReporter {
  public:
    /// Answers, used in order. An alert with no queued answer gets the default button; a panel
    /// with no queued answer is cancelled.
    void queueAlertAnswer(int answer) { m_alertAnswers.push_back(answer); }
    void queueOpenPanelAnswer(std::vector<std::string> paths) {
        m_openAnswers.push_back({false, std::move(paths)});
    }
    void queueOpenPanelCancel() { m_openAnswers.push_back({true, {}}); }
    void queueSavePanelAnswer(std::string path) { m_saveAnswers.push_back(std::move(path)); }
    void queueSavePanelCancel() { m_saveAnswers.push_back(std::nullopt); }
    /// The person asks to stop once cancelRequested() has been asked `questions` times.
    void cancelAfterQuestions(int questions) { m_cancelAfter = questions; }

    /// Everything that happened, in order, one line each: "beep", "alert TITLE|MESSAGE|BUTTONS",
    /// "open TITLE", "save TITLE NAME", "summary TITLE", "progress VALUE LINE1|LINE2", ...
    const std::vector<std::string>& events() const { return m_events; }
    const std::vector<Alert>& alerts() const { return m_alerts; }
    const std::vector<OpenPanel>& openPanels() const { return m_openPanels; }
    const std::vector<SavePanel>& savePanels() const { return m_savePanels; }
    const std::vector<std::string>& summaryLines() const { return m_summaryLines; }
    int beeps() const { return m_beeps; }
    /// The addresses given to openUrl, in order.
    const std::vector<std::string>& openedUrls() const { return m_openedUrls; }
    /// Every fileProgress report as {bytesDone, bytesTotal}, in order.
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& fileProgressReports() const {
        return m_fileProgress;
    }

    void beep() override;
    int runAlert(const Alert& alert) override;
    std::optional<std::vector<std::string>> runOpenPanel(const OpenPanel& panel) override;
    std::optional<std::string> runSavePanel(const SavePanel& panel) override;
    void showSummary(const std::string& title, const std::vector<std::string>& lines) override;
    ProgressReporter& progress() override { return *this; }
    bool openUrl(const std::string& url) override;

  private:
    void begin(const std::string& title, double maximum) override;
    void update(double value, const std::string& line1, const std::string& line2) override;
    void end() override;
    void fileProgress(std::uint64_t bytesDone, std::uint64_t bytesTotal) override;
    bool cancelRequested() const override;

    std::deque<int> m_alertAnswers;
    struct OpenAnswer {
        bool cancelled;
        std::vector<std::string> paths;
    };
    std::deque<OpenAnswer> m_openAnswers;
    std::deque<std::optional<std::string>> m_saveAnswers;
    std::vector<std::string> m_events;
    std::vector<Alert> m_alerts;
    std::vector<OpenPanel> m_openPanels;
    std::vector<SavePanel> m_savePanels;
    std::vector<std::string> m_summaryLines;
    int m_beeps = 0;
    std::vector<std::string> m_openedUrls;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> m_fileProgress;
    int m_cancelAfter = -1;
    mutable int m_cancelQuestions = 0;
};

} // namespace korvel
