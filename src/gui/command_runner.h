// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>

namespace korvel::gui {

/// Runs one command at a time on a worker thread, so that the window keeps repainting and the
/// log keeps growing while it works.
class CommandRunner final : public QObject {
    Q_OBJECT
  public:
    explicit CommandRunner(QObject* parent);
    ~CommandRunner() override;

    /// Starts `work` on a worker thread; false when a command is still running.
    bool start(std::function<void()> work);
    bool running() const { return m_thread != nullptr; }
    /// Waits for the running command (used when the application quits).
    void wait();

  signals:
    void runningChanged(bool running);

  private:
    QPointer<QThread> m_thread;
};

} // namespace korvel::gui
