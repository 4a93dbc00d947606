// SPDX-License-Identifier: MIT
#include "gui/qt_user_interface.h"

#include "gui/file_panels.h"
#include "gui/gui_thread.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace korvel::gui {
namespace {

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

QPushButton* addButton(QMessageBox& box, const std::string& title, QMessageBox::ButtonRole role) {
    if (title.empty()) {
        return nullptr;
    }
    QPushButton* button = box.addButton(qText(title), role);
    button->setAccessibleName(qText(title));
    return button;
}

} // namespace

QtUserInterface::QtUserInterface(QWidget* window)
    : QObject(window), m_window(window), m_progress(new ProgressWindow(window)) {}

int QtUserInterface::execDialog(QDialog& dialog) {
    emit dialogAboutToRun(&dialog);
    return dialog.exec();
}

void QtUserInterface::beep() {
    onGuiThread(this, [] { QApplication::beep(); });
}

int QtUserInterface::runAlert(const Alert& alert) {
    return onGuiThread(this, [this, &alert] {
        QMessageBox box(m_window);
        box.setWindowTitle(QStringLiteral("Korvel Tools"));
        box.setWindowModality(Qt::WindowModal);
        box.setIcon(alert.informational ? QMessageBox::Information : QMessageBox::Warning);
        box.setText(qText(alert.title));
        box.setInformativeText(qText(alert.message));
        box.setAccessibleName(qText(alert.title));
        QPushButton* defaultButton =
            addButton(box, alert.defaultButton.empty() ? std::string("OK") : alert.defaultButton,
                      QMessageBox::AcceptRole);
        QPushButton* alternate = addButton(box, alert.alternateButton, QMessageBox::RejectRole);
        QPushButton* other = addButton(box, alert.otherButton, QMessageBox::DestructiveRole);
        box.setDefaultButton(defaultButton);
        box.setEscapeButton(alternate ? alternate : defaultButton);
        execDialog(box);
        if (box.clickedButton() == other && other) {
            return kAlertOther;
        }
        return box.clickedButton() == alternate && alternate ? kAlertAlternate : kAlertDefault;
    });
}

std::optional<std::vector<std::string>> QtUserInterface::runOpenPanel(const OpenPanel& panel) {
    return onGuiThread(this, [this, &panel] {
        QWidget* optionView =
            m_optionViews && !panel.optionView.empty() ? m_optionViews(panel.optionView) : nullptr;
        const auto dialog = makeOpenPanel(panel, m_window, optionView);
        std::optional<std::vector<std::string>> chosen;
        if (execDialog(*dialog) == QDialog::Accepted) {
            chosen.emplace();
            for (const QString& path : dialog->selectedFiles()) {
                chosen->push_back(path.toStdString());
            }
        }
        return chosen;
    });
}

std::optional<std::string> QtUserInterface::runSavePanel(const SavePanel& panel) {
    return onGuiThread(this, [this, &panel] {
        const auto dialog = makeSavePanel(panel, m_window);
        std::optional<std::string> chosen;
        if (execDialog(*dialog) == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
            chosen = dialog->selectedFiles().front().toStdString();
        }
        return chosen;
    });
}

void QtUserInterface::showSummary(const std::string& title, const std::vector<std::string>& lines) {
    onGuiThread(this, [this, &title, &lines] {
        QDialog sheet(m_window);
        sheet.setObjectName(QStringLiteral("summarySheet"));
        sheet.setWindowTitle(qText(title));
        sheet.setAccessibleName(qText(title));
        sheet.setWindowModality(Qt::WindowModal);
        auto* layout = new QVBoxLayout(&sheet);
        for (const std::string& line : lines) {
            layout->addWidget(new QLabel(qText(line), &sheet));
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &sheet);
        buttons->button(QDialogButtonBox::Ok)->setAccessibleName(tr("OK"));
        connect(buttons, &QDialogButtonBox::accepted, &sheet, &QDialog::accept);
        layout->addWidget(buttons);
        execDialog(sheet);
    });
}

bool QtUserInterface::openUrl(const std::string& url) {
    return onGuiThread(
        this, [&url] { return QDesktopServices::openUrl(QUrl(QString::fromStdString(url))); });
}

} // namespace korvel::gui
