// SPDX-License-Identifier: MIT
// korvel-tools: the desktop app. It shares its preference store with `korvel` (--prefs FILE or
// $KORVEL_PREFS choose another) and opens a file named on the command line.
#include "app/log_controller.h"
#include "app/startup.h"
#include "gui/command_line.h"
#include "gui/main_window.h"
#include "gui/qt_user_interface.h"
#include "platform/path_names.h"
#include "platform/qsettings_preference_store.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel Tools"));
    QApplication::setApplicationVersion(QStringLiteral(KORVEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("korvel-tools"));

    const auto commandLine = korvel::gui::parseCommandLine(QApplication::arguments());

    const std::string home = korvel::homeDirectory();
    const auto store = korvel::openPreferenceStore(commandLine.prefsFile);
    const korvel::StartupOutcome outcome = korvel::prepareStore(*store, home);
    korvel::KTLogController log;
    korvel::gui::MainWindow window(*store, log, home);
    window.show();
    QTimer::singleShot(0, &window, [&window, outcome, files = commandLine.files] {
        korvel::showStartupNotice(window.userInterface(), outcome);
        for (const QString& file : files) {
            window.openFile(file);
        }
    });
    const int status = QApplication::exec();
    store->synchronize();
    return status;
}
