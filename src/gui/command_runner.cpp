// SPDX-License-Identifier: MIT
#include "gui/command_runner.h"

namespace korvel::gui {

CommandRunner::CommandRunner(QObject* parent) : QObject(parent) {}

CommandRunner::~CommandRunner() {
    wait();
}

bool CommandRunner::start(std::function<void()> work) {
    if (m_thread) {
        return false;
    }
    m_thread = QThread::create(std::move(work));
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->deleteLater();
        m_thread = nullptr;
        emit runningChanged(false);
    });
    emit runningChanged(true);
    m_thread->start();
    return true;
}

void CommandRunner::wait() {
    if (m_thread) {
        m_thread->wait();
    }
}

} // namespace korvel::gui
