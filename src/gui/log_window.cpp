// SPDX-License-Identifier: MIT
#include "gui/log_window.h"

#include "app/log_controller.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace korvel::gui {

LogWindow::LogWindow(KTLogController& log, QWidget* parent)
    : QWidget(parent, Qt::Window), m_log(log), m_text(new QPlainTextEdit(this)),
      m_clear(new QPushButton(tr("Clear"), this)) {
    setObjectName(QStringLiteral("logWindow"));
    setWindowTitle(tr("Output Log"));
    setAccessibleName(tr("Output Log"));
    QFont font(QStringLiteral("Courier"), 12);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(12);
    }
    m_text->setFont(font);
    m_text->setReadOnly(true);
    m_text->setAccessibleName(tr("Log"));
    m_clear->setAccessibleName(tr("Clear"));
    connect(m_clear, &QPushButton::clicked, this, [this] { m_log.KTClearLog(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_clear, 0, Qt::AlignRight);
    resize(640, 420);
    m_log.setListener([this](std::string_view) { logChanged(); });
    logChanged();
}

LogWindow::~LogWindow() {
    m_log.setListener({});
}

void LogWindow::setCommandRunning(bool running) {
    m_clear->setEnabled(!running);
}

QString LogWindow::shownText() const {
    return m_text->toPlainText();
}

// Runs on the thread that changed the log, right after the change.
void LogWindow::logChanged() {
    QString text = QString::fromStdString(m_log.logString());
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QMutexLocker lock(&m_mutex);
    m_newest = std::move(text);
    if (!m_refreshPending) {
        m_refreshPending = true;
        QMetaObject::invokeMethod(this, &LogWindow::showNewest, Qt::QueuedConnection);
    }
}

void LogWindow::showNewest() {
    QString text;
    {
        const QMutexLocker lock(&m_mutex);
        text = m_newest;
        m_refreshPending = false;
    }
    m_text->setPlainText(text);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

} // namespace korvel::gui
