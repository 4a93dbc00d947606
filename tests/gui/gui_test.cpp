// SPDX-License-Identifier: MIT
// The desktop app under the offscreen platform: panels answered by the test, Cancel, the
// toolbar's configuration across a restart, alert answers and the start-up state.
#include "app/log_controller.h"
#include "app/startup.h"
#include "gui/command_runner.h"
#include "gui/main_window.h"
#include "gui/qt_user_interface.h"
#include "platform/qsettings_preference_store.h"
#include "viewer/viewer_fixture.h"
#include "viewer_qt/viewer_widget.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>

// fontconfig keeps its caches until the process ends; LeakSanitizer must not count them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace korvel::gui {
namespace {

// One application for the whole test program. It is never destroyed: at exit Qt's own statics
// may already be gone, and tearing it down then crashes.
QApplication& application() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    // No display is needed: Qt draws into memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new QApplication(argc, argv);
    return *app;
}

class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        application();
        ASSERT_TRUE(m_folder.isValid());
        m_prefsPath = m_folder.filePath(QStringLiteral("prefs.ini")).toStdString();
    }

    std::unique_ptr<MainWindow> openWindow() {
        m_store = std::make_unique<QSettingsPreferenceStore>(m_prefsPath);
        static_cast<void>(prepareStore(*m_store, m_folder.path().toStdString()));
        m_log = std::make_unique<KTLogController>();
        return std::make_unique<MainWindow>(*m_store, *m_log, m_folder.path().toStdString());
    }

    // Closes the window and its store as quitting does.
    void closeWindow(std::unique_ptr<MainWindow>& window) {
        window.reset();
        m_store.reset();
    }

    QTemporaryDir m_folder;
    std::string m_prefsPath;
    std::unique_ptr<QSettingsPreferenceStore> m_store;
    std::unique_ptr<KTLogController> m_log;
};

TEST_F(GuiTest, StartsWithTheMovieCommandsDisabled) {
    auto window = openWindow();
    EXPECT_FALSE(window->action(Command::AddTc)->isEnabled());
    EXPECT_FALSE(window->action(Command::DeleteTc)->isEnabled());
    for (Command command : {Command::Ale2fcp, Command::Fcp2ale, Command::BatchAddTc,
                            Command::Bwf2qt, Command::Log, Command::Help}) {
        EXPECT_TRUE(window->action(command)->isEnabled()) << static_cast<int>(command);
    }
    EXPECT_EQ(window->viewer().readout()->text(), QStringLiteral("--:--:--:--"));
    EXPECT_EQ(window->viewer().frameRate()->text(), QStringLiteral("0"));
    EXPECT_EQ(window->viewer().fileName()->text(), QStringLiteral("no movie loaded"));
    EXPECT_EQ(window->viewer().placeholderTvSystem(), QStringLiteral("PAL"));
}

TEST_F(GuiTest, AlertAnswers) {
    auto window = openWindow();
    struct Row {
        QString press; // a button title, or "Escape"
        int answer;
    };
    const std::vector<Row> rows = {{"Replace", kAlertDefault},
                                   {"Skip File", kAlertAlternate},
                                   {"Abort", kAlertOther},
                                   {"Escape", kAlertAlternate}};
    for (const Row& row : rows) {
        QObject::connect(&window->userInterface(), &QtUserInterface::dialogAboutToRun,
                         [&row](QDialog* dialog) {
                             QTimer::singleShot(0, dialog, [dialog, &row] {
                                 auto* box = qobject_cast<QMessageBox*>(dialog);
                                 if (row.press == QStringLiteral("Escape")) {
                                     QTest::keyClick(box, Qt::Key_Escape);
                                     return;
                                 }
                                 for (QAbstractButton* button : box->buttons()) {
                                     if (button->text() == row.press) {
                                         button->click();
                                     }
                                 }
                             });
                         });
        const int answer = window->userInterface().runAlert(
            {"File Alreay Exists!", "The File: a.mov already exists.", "Replace", "Skip File",
             "Abort", false});
        EXPECT_EQ(answer, row.answer) << row.press.toStdString();
        QObject::disconnect(&window->userInterface(), &QtUserInterface::dialogAboutToRun, nullptr,
                            nullptr);
    }
}

TEST_F(GuiTest, Ale2fcpPanelsAnsweredFromTheWorkerThread) {
    const std::string ale = std::string(KORVEL_SOURCE_DIR) + "/examples/shotlog/day1.ale";
    const QString saved = m_folder.filePath(QStringLiteral("day1-list"));
    auto window = openWindow();
    std::vector<QString> titles;
    bool optionViewInside = false;
    QObject::connect(
        &window->userInterface(), &QtUserInterface::dialogAboutToRun, [&](QDialog* dialog) {
            auto* panel = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(panel, nullptr);
            titles.push_back(panel->windowTitle());
            if (panel->acceptMode() == QFileDialog::AcceptOpen) {
                optionViewInside = panel->findChild<QWidget*>(QStringLiteral("ale2fcpView"));
            }
            const QString answer = panel->acceptMode() == QFileDialog::AcceptOpen
                                       ? QString::fromStdString(ale)
                                       : saved;
            QTimer::singleShot(0, panel, [panel, dialog, answer] {
                panel->selectFile(answer);
                dialog->accept();
            });
        });
    window->runCommand(Command::Ale2fcp);
    EXPECT_TRUE(window->runner().running());
    EXPECT_FALSE(window->action(Command::Fcp2ale)->isEnabled()) << "one command at a time";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->runner().running(); }));
    EXPECT_TRUE(optionViewInside);
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0], QStringLiteral("Avid Log Exchange Conversion"));
    EXPECT_EQ(titles[1], QStringLiteral("Save Batch List"));
    EXPECT_TRUE(std::filesystem::exists((saved + QStringLiteral(".txt")).toStdString()));
    EXPECT_TRUE(window->action(Command::Fcp2ale)->isEnabled());
}

TEST_F(GuiTest, CancelStopsAfterTheCurrentFile) {
    auto window = openWindow();
    ProgressReporter& progress = window->userInterface().progress();
    constexpr int kFiles = 500;
    std::atomic<int> done{0};
    window->runner().start([&] {
        progress.begin("Batch", kFiles);
        for (int file = 0; file < kFiles && !progress.cancelRequested(); ++file) {
            progress.fileProgress(1, 2);
            QThread::msleep(2);
            progress.update(file + 1, "file", "");
            ++done;
        }
        progress.end();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load() >= 3; }));
    window->userInterface().progressWindow().cancelButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->runner().running(); }));
    EXPECT_LT(done.load(), kFiles);
    EXPECT_TRUE(progress.cancelRequested());
}

TEST_F(GuiTest, CustomisedToolbarSurvivesARestart) {
    const std::vector<std::string> custom = {"prefs", "separator", "bwf2qt", "flexiblespace",
                                             "help"};
    auto window = openWindow();
    window->setToolbarItems(custom);
    closeWindow(window);

    window = openWindow();
    EXPECT_EQ(window->toolbarItems(), custom);
    QStringList shown;
    for (QAction* item : window->toolbar()->actions()) {
        if (!item->objectName().isEmpty()) {
            shown << item->objectName();
        }
    }
    EXPECT_EQ(shown, (QStringList{"prefs", "bwf2qt", "help"}));
}

TEST_F(GuiTest, MovieCommandsFollowTheOpenMovie) {
    const auto path =
        viewer::test::makeTestMovie(m_folder.path().toStdString(), "clip.mov", "25", 12, 1.0);
    if (path.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    auto window = openWindow();
    struct Row {
        const char* after;
        std::function<void()> act;
        bool addEnabled;
        bool deleteEnabled;
    };
    const std::vector<Row> rows = {
        {"open", [&] { window->openFile(QString::fromStdString(path)); }, true, false},
        {"add", [&] { window->viewer().controller().addTimecode("01:00:00:00", "R1"); }, false,
         true},
        {"close", [&] { emit window->closeMovieRequested(); }, false, false},
        {"reopen", [&] { window->openFile(QString::fromStdString(path)); }, false, true},
        {"delete", [&] { window->viewer().controller().deleteTimecode(); }, true, false}};
    for (const Row& row : rows) {
        row.act();
        EXPECT_EQ(window->action(Command::AddTc)->isEnabled(), row.addEnabled) << row.after;
        EXPECT_EQ(window->action(Command::DeleteTc)->isEnabled(), row.deleteEnabled) << row.after;
    }
}

} // namespace
} // namespace korvel::gui
