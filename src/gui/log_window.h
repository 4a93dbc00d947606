// SPDX-License-Identifier: MIT
#pragma once

#include <QMutex>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace korvel {
class KTLogController;
}

namespace korvel::gui {

/// The output log: the whole log in a monospaced font, scrolled to its end, and "Clear". Entries
/// may be appended on the worker thread; the window takes a copy there and shows the newest copy
/// on its own thread, so a fast run redraws it once per event-loop turn, not once per line.
class LogWindow final : public QWidget {
    Q_OBJECT
  public:
    LogWindow(KTLogController& log, QWidget* parent);
    ~LogWindow() override;

    /// While a command runs the log is its alone: "Clear" waits.
    void setCommandRunning(bool running);
    QString shownText() const;

  private:
    void logChanged();
    void showNewest();

    KTLogController& m_log;
    QPlainTextEdit* m_text;
    QPushButton* m_clear;
    QMutex m_mutex;
    QString m_newest;
    bool m_refreshPending = false;
};

} // namespace korvel::gui
