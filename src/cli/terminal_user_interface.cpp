// SPDX-License-Identifier: MIT
#include "cli/terminal_user_interface.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

namespace korvel {
namespace {

constexpr int kBarWidth = 30;

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
    : m_stdinIsTerminal(isatty(STDIN_FILENO) == 1), m_stderrIsTerminal(isatty(STDERR_FILENO) == 1) {}

void TerminalUserInterface::beep() {
    if (m_stderrIsTerminal) {
        std::cerr << '\a' << std::flush;
    }
}

int TerminalUserInterface::runAlert(const Alert& alert) {
    m_alertShown = true;
    std::cerr << alert.title << ": " << alert.message << '\n';
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
            std::cerr << "  [" << i + 1 << "] " << buttons[i].first << '\n';
        }
        std::cerr << "Choose 1-" << buttons.size() << ": " << std::flush;
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

std::optional<std::vector<std::string>> TerminalUserInterface::runOpenPanel(const OpenPanel& panel) {
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

void TerminalUserInterface::begin(const std::string& /*title*/, double maximum) {
    m_progressMaximum = maximum;
}

void TerminalUserInterface::update(double value, const std::string& line1,
                                   const std::string& /*line2*/) {
    if (!m_stderrIsTerminal) {
        return;
    }
    const double fraction =
        m_progressMaximum > 0 ? std::clamp(value / m_progressMaximum, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r\x1b[K[%s] %3d%% %s", bar.c_str(), static_cast<int>(fraction * 100),
                 line1.substr(0, 60).c_str());
    std::fflush(stderr);
}

void TerminalUserInterface::end() {
    if (m_stderrIsTerminal) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
    }
}

} // namespace korvel
