// SPDX-License-Identifier: MIT
#include "platform/scripted_user_interface.h"

namespace korvel {

void ScriptedUserInterface::beep() {
    ++m_beeps;
    m_events.emplace_back("beep");
}

int ScriptedUserInterface::runAlert(const Alert& alert) {
    m_alerts.push_back(alert);
    m_events.push_back("alert " + alert.title + "|" + alert.message + "|" + alert.defaultButton +
                       "|" + alert.alternateButton + "|" + alert.otherButton);
    if (m_alertAnswers.empty()) {
        return kAlertDefault;
    }
    const int answer = m_alertAnswers.front();
    m_alertAnswers.pop_front();
    return answer;
}

std::optional<std::vector<std::string>>
ScriptedUserInterface::runOpenPanel(const OpenPanel& panel) {
    m_openPanels.push_back(panel);
    m_events.push_back("open " + panel.title);
    if (m_openAnswers.empty()) {
        return std::nullopt;
    }
    OpenAnswer answer = std::move(m_openAnswers.front());
    m_openAnswers.pop_front();
    if (answer.cancelled) {
        return std::nullopt;
    }
    return std::move(answer.paths);
}

std::optional<std::string> ScriptedUserInterface::runSavePanel(const SavePanel& panel) {
    m_savePanels.push_back(panel);
    m_events.push_back("save " + panel.title + " " + panel.proposedName);
    if (m_saveAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = std::move(m_saveAnswers.front());
    m_saveAnswers.pop_front();
    return answer;
}

void ScriptedUserInterface::showSummary(const std::string& title,
                                        const std::vector<std::string>& lines) {
    m_events.push_back("summary " + title);
    m_summaryLines = lines;
}

void ScriptedUserInterface::begin(const std::string& title, double maximum) {
    m_events.push_back("progress begin " + title + " " + std::to_string(maximum));
}

void ScriptedUserInterface::update(double value, const std::string& line1,
                                   const std::string& line2) {
    m_events.push_back("progress " + std::to_string(value) + " " + line1 + "|" + line2);
}

void ScriptedUserInterface::end() {
    m_events.emplace_back("progress end");
}

void ScriptedUserInterface::fileProgress(std::uint64_t bytesDone, std::uint64_t bytesTotal) {
    m_fileProgress.emplace_back(bytesDone, bytesTotal);
}

bool ScriptedUserInterface::cancelRequested() const {
    ++m_cancelQuestions;
    return m_cancelAfter >= 0 && m_cancelQuestions >= m_cancelAfter;
}

bool ScriptedUserInterface::openUrl(const std::string& url) {
    m_openedUrls.push_back(url);
    m_events.push_back("open-url " + url);
    return true;
}

} // namespace korvel
