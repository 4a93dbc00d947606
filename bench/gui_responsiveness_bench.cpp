// SPDX-License-Identifier: MIT
// gui_responsiveness_bench ALE MEDIA_FOLDER BWF DEST: runs Batch Add TC (ALE into MEDIA_FOLDER)
// and then bwf2qt (BWF into DEST) through the desktop app's worker thread under the offscreen
// platform, repainting the main window on a 10 ms timer, and prints the longest gap between two
// timer ticks on the GUI thread for each run: how long the window could have been frozen.
#include "app/log_controller.h"
#include "app/startup.h"
#include "gui/command_runner.h"
#include "gui/main_window.h"
#include "gui/qt_user_interface.h"
#include "platform/qsettings_preference_store.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <iostream>

namespace {

using korvel::Command;
using korvel::gui::MainWindow;

// Answers every panel of a run: the open panels in order, then any save panel is cancelled.
void answerPanels(MainWindow& window, QStringList answers) {
    QObject::connect(&window.userInterface(), &korvel::gui::QtUserInterface::dialogAboutToRun,
                     &window, [answers](QDialog* dialog) mutable {
                         auto* panel = qobject_cast<QFileDialog*>(dialog);
                         const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
                         QTimer::singleShot(0, dialog, [dialog, panel, answer] {
                             if (panel && !answer.isEmpty()) {
                                 panel->selectFile(answer);
                             }
                             dialog->accept();
                         });
                     });
}

// Runs one command and answers the longest gap, in milliseconds, between GUI timer ticks while
// the work runs (the progress window is up); the panels before it are the person's time.
qint64 longestGap(MainWindow& window, Command command, const QStringList& answers) {
    QObject::disconnect(&window.userInterface(), nullptr, &window, nullptr);
    answerPanels(window, answers);
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    bool working = false;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &window, [&] {
        const qint64 now = clock.elapsed();
        const bool workingNow = window.userInterface().progressWindow().isVisible();
        if (working && workingNow) {
            longest = std::max(longest, now - last);
        }
        working = workingNow;
        last = now;
        window.repaint();
    });
    clock.start();
    tick.start(10);
    window.runCommand(command);
    while (window.runner().running()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::cout << "  " << clock.elapsed() << " ms in all\n";
    return longest;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 5) {
        std::cerr << "usage: gui_responsiveness_bench ALE MEDIA_FOLDER BWF DEST\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir folder;
    korvel::QSettingsPreferenceStore store(
        folder.filePath(QStringLiteral("prefs.ini")).toStdString());
    static_cast<void>(korvel::prepareStore(store, folder.path().toStdString()));
    store.setBoolean("overwrite", true);
    korvel::KTLogController log;
    MainWindow window(store, log, folder.path().toStdString());
    window.show();

    std::cout << "Batch Add TC:\n";
    const qint64 batch = longestGap(window, Command::BatchAddTc, {argv[1], argv[2]});
    std::cout << "  longest gap between GUI ticks: " << batch << " ms\n";
    std::cout << "bwf2qt:\n";
    const qint64 bwf = longestGap(window, Command::Bwf2qt, {argv[3], argv[4]});
    std::cout << "  longest gap between GUI ticks: " << bwf << " ms\n";
    std::cout << "log: " << log.logString().size() << " bytes\n";
    return 0;
}
