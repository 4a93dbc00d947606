// SPDX-License-Identifier: MIT
#include "gui/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

namespace korvel::gui {
namespace {

constexpr int kPermille = 1000;

int barValue(double value) {
    return static_cast<int>(std::lround(value));
}

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool), m_line1(new QLabel(this)), m_line2(new QLabel(this)),
      m_fileBar(new QProgressBar(this)), m_byteBar(new QProgressBar(this)),
      m_cancel(new QPushButton(tr("Cancel"), this)) {
    setObjectName(QStringLiteral("progressWindow"));
    // The main window stays usable (its log grows while the work runs), so this is no sheet.
    setModal(false);
    m_fileBar->setAccessibleName(tr("Files"));
    m_byteBar->setAccessibleName(tr("Current file"));
    m_byteBar->setRange(0, kPermille);
    m_cancel->setAccessibleName(tr("Cancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_line1);
    layout->addWidget(m_line2);
    layout->addWidget(m_fileBar);
    layout->addWidget(m_byteBar);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    setMinimumWidth(420);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::requestCancel);
}

void ProgressWindow::requestCancel() {
    m_cancelRequested = true;
    m_cancel->setEnabled(false);
    m_cancel->setText(tr("Stopping after this file..."));
}

void ProgressWindow::begin(const std::string& title, double maximum) {
    m_cancelRequested = false;
    m_lastPermille = -1;
    QMetaObject::invokeMethod(this, [this, title = QString::fromStdString(title), maximum] {
        setWindowTitle(title);
        m_fileBar->setRange(0, barValue(maximum));
        m_fileBar->setValue(0);
        m_byteBar->setValue(0);
        m_line1->clear();
        m_line2->clear();
        m_cancel->setEnabled(true);
        m_cancel->setText(tr("Cancel"));
        show();
        raise();
    });
}

void ProgressWindow::update(double value, const std::string& line1, const std::string& line2) {
    m_lastPermille = -1;
    {
        const std::lock_guard lock(m_pendingMutex);
        m_pending.value = value;
        m_pending.line1 = QString::fromStdString(line1);
        m_pending.line2 = QString::fromStdString(line2);
        m_pending.texts = true;
        m_pending.permille = 0;
    }
    post();
}

void ProgressWindow::fileProgress(std::uint64_t bytesDone, std::uint64_t bytesTotal) {
    const int permille = bytesTotal == 0
                             ? kPermille
                             : static_cast<int>(static_cast<double>(bytesDone) * kPermille /
                                                static_cast<double>(bytesTotal));
    // Only a visible change is sent.
    if (m_lastPermille.exchange(permille) == permille) {
        return;
    }
    {
        const std::lock_guard lock(m_pendingMutex);
        m_pending.permille = permille;
    }
    post();
}

void ProgressWindow::post() {
    if (!m_posted.exchange(true)) {
        QMetaObject::invokeMethod(this, [this] { showPending(); });
    }
}

void ProgressWindow::showPending() {
    // Cleared before the state is taken: a report made meanwhile posts a showing of its own.
    m_posted = false;
    PendingState state;
    {
        const std::lock_guard lock(m_pendingMutex);
        state = std::exchange(m_pending, PendingState{});
    }
    if (state.texts) {
        m_fileBar->setValue(barValue(state.value));
        m_line1->setText(state.line1);
        m_line2->setText(state.line2);
    }
    if (state.permille >= 0) {
        m_byteBar->setValue(state.permille);
    }
}

void ProgressWindow::end() {
    QMetaObject::invokeMethod(this, [this] { hide(); });
}

} // namespace korvel::gui
