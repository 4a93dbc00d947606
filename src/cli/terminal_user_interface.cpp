// SPDX-License-Identifier: MIT
#include "cli/terminal_user_interface.h"

#include <charconv>
#include <iostream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace korvel {
namespace {

// A progress line redrawn more often than this only flickers.
constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr int kDefaultColumns = 80;

int columnsOf(std::FILE* stream) {
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return kDefaultColumns;
}

std::vector<std::pair<std::string, int>> buttonsOf(const Alert& alert) {
    std::vector<std::pair<std::string, int>> buttons;
    if (!alert.defaultButton.empty()) {
        buttons.emplace_back(alert.defaultButton, kAlertDefault);
    }
    if (!alert.alternateButton.empty()) {
        buttons.emplace_back(alert.alternateButton, kAlertAlternate);
    }
    if (!alert.otherButton.empty()) {
        buttons.emplace_back(alert.otherButton, kAlertOther);
    }
    return buttons;
}

} // namespace

TerminalUserInterface::TerminalUserInterface()
    : TerminalUserInterface(stderr, isatty(STDIN_FILENO) == 1, isatty(STDERR_FILENO) == 1) {}

TerminalUserInterface::TerminalUserInterface(std::FILE* errors, bool stdinIsTerminal,
                                             bool errorsAreTerminal)
    : m_errors(errors), m_stdinIsTerminal(stdinIsTerminal), m_stderrIsTerminal(errorsAreTerminal) {}

void TerminalUserInterface::beep() {
    if (m_stderrIsTerminal) {
        std::fputc('\a', m_errors);
        std::fflush(m_errors);
    }
}

int TerminalUserInterface::runAlert(const Alert& alert) {
    m_alertShown = true;
    clearProgress();
    std::fprintf(m_errors, "%s: %s\n", alert.title.c_str(), alert.message.c_str());
    std::fflush(m_errors);
    if (buttonsOf(alert).size() <= 1) {
        return kAlertDefault;
    }
    if (m_alertAnswerer) {
        if (const auto answer = m_alertAnswerer(alert)) {
            return *answer;
        }
    }
    return m_stdinIsTerminal ? askAtTerminal(alert) : kAlertDefault;
}

int TerminalUserInterface::askAtTerminal(const Alert& alert) const {
    const auto buttons = buttonsOf(alert);
    for (;;) {
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            std::fprintf(m_errors, "  [%zu] %s\n", i + 1, buttons[i].first.c_str());
        }
        std::fprintf(m_errors, "Choose 1-%zu: ", buttons.size());
        std::fflush(m_errors);
        std::string line;
        if (!std::getline(std::cin, line)) {
            return kAlertDefault;
        }
        std::size_t chosen = 0;
        std::from_chars(line.data(), line.data() + line.size(), chosen);
        if (chosen >= 1 && chosen <= buttons.size()) {
            return buttons[chosen - 1].second;
        }
    }
}

std::optional<std::vector<std::string>>
TerminalUserInterface::runOpenPanel(const OpenPanel& panel) {
    return m_openAnswerer ? m_openAnswerer(panel) : std::nullopt;
}

std::optional<std::string> TerminalUserInterface::runSavePanel(const SavePanel& panel) {
    return m_saveAnswerer ? m_saveAnswerer(panel) : std::nullopt;
}

void TerminalUserInterface::showSummary(const std::string& /*title*/,
                                        const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        std::cout << line << '\n';
    }
    std::cout << std::flush;
}

void TerminalUserInterface::writeLogEntry(std::string_view entry) {
    clearProgress();
    std::string line(entry);
    for (char& c : line) {
        if (c == '\r') {
            c = '\n';
        }
    }
    line += '\n';
    std::fputs(line.c_str(), m_errors);
    if (m_progress.active()) {
        drawProgress();
    }
    std::fflush(m_errors);
}

void TerminalUserInterface::clearProgress() {
    if (m_progressDrawn) {
        std::fputs("\r\x1b[K", m_errors);
        m_progressDrawn = false;
    }
}

void TerminalUserInterface::drawProgress() {
    if (!m_stderrIsTerminal) {
        return;
    }
    std::fprintf(m_errors, "\r\x1b[K%s", m_progress.render(columnsOf(m_errors)).c_str());
    std::fflush(m_errors);
    m_progressDrawn = true;
    m_lastDrawn = ProgressLine::Clock::now();
}

void TerminalUserInterface::begin(const std::string& /*title*/, double maximum) {
    m_progress.begin(maximum);
}

void TerminalUserInterface::update(double value, const std::string& line1,
                                   const std::string& /*line2*/) {
    m_progress.update(value, line1);
    drawProgress();
}

void TerminalUserInterface::fileProgress(std::uint64_t bytesDone, std::uint64_t bytesTotal) {
    const auto now = ProgressLine::Clock::now();
    m_progress.fileBytes(bytesDone, bytesTotal, now);
    if (bytesDone >= bytesTotal || now - m_lastDrawn >= kRedrawInterval) {
        drawProgress();
    }
}

void TerminalUserInterface::end() {
    m_progress.end();
    clearProgress();
    std::fflush(m_errors);
}

} // namespace korvel
