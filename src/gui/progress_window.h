// SPDX-License-Identifier: MIT
#pragma once

#include "platform/user_interface.h"

#include <QDialog>
#include <QString>
#include <atomic>
#include <mutex>

class QLabel;
class QProgressBar;
class QPushButton;

namespace korvel::gui {

/// The progress window of the long commands: a bar over the files, a bar over the bytes of the
/// current file, two lines of text and a Cancel that stops the work after the current file. Its
/// reporter side may be called from the worker thread; the window is changed on its own thread.
class ProgressWindow final : public QDialog, public ProgressReporter {
    Q_OBJECT
  public:
    explicit ProgressWindow(QWidget* parent);

    void begin(const std::string& title, double maximum) override;
    void update(double value, const std::string& line1, const std::string& line2) override;
    void end() override;
    void fileProgress(std::uint64_t bytesDone, std::uint64_t bytesTotal) override;
    bool cancelRequested() const override { return m_cancelRequested.load(); }

    /// What the Cancel button does.
    void requestCancel();

    QProgressBar* fileBar() const { return m_fileBar; }
    QProgressBar* byteBar() const { return m_byteBar; }
    QPushButton* cancelButton() const { return m_cancel; }

  private:
    /// The newest state the worker reported and the window has not shown yet.
    struct PendingState {
        double value = 0;
        QString line1;
        QString line2;
        bool texts = false; // value and lines are new
        int permille = -1;  // the current file's bar, -1: unchanged
    };

    /// Shows the pending state once the window's thread gets to it. However fast the worker
    /// reports, at most one showing waits in the event queue, so the window keeps repainting.
    void post();
    void showPending();

    QLabel* m_line1;
    QLabel* m_line2;
    QProgressBar* m_fileBar;
    QProgressBar* m_byteBar;
    QPushButton* m_cancel;
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<int> m_lastPermille{-1};
    std::mutex m_pendingMutex;
    PendingState m_pending;
    std::atomic<bool> m_posted{false};
};

} // namespace korvel::gui
