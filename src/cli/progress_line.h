// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace korvel {

/// The one line of progress a terminal shows: a bar over the whole run, the file at work, the
/// bytes done within it, the rate and the time left. Holds the state; the terminal draws it.
class ProgressLine {
  public:
    using Clock = std::chrono::steady_clock;

    /// A new run over [0, maximum]; 0: a run of unknown length (the text alone is shown).
    void begin(double maximum);
    /// The run has reached `value`; `text` names the file at work. Starts a new file.
    void update(double value, std::string text);
    /// `done` of `total` bytes of the current file at `now`.
    void fileBytes(std::uint64_t done, std::uint64_t total, Clock::time_point now);
    void end() { m_active = false; }

    bool active() const { return m_active; }
    /// The line, at most `columns` - 1 characters wide so that it never wraps.
    std::string render(int columns) const;

  private:
    double fraction() const;

    bool m_active = false;
    double m_maximum = 0;
    double m_value = 0;
    std::string m_text;
    std::uint64_t m_fileDone = 0;
    std::uint64_t m_fileTotal = 0;
    bool m_fileStarted = false;
    Clock::time_point m_fileStart{};
    Clock::time_point m_lastBytes{};
};

/// "812 kB", "212.4 MB", "1.52 GB": decimal units, as file managers count.
std::string formatBytes(std::uint64_t bytes);
/// "0:07", "12:30", "1:02:03".
std::string formatDuration(std::chrono::seconds duration);

} // namespace korvel
