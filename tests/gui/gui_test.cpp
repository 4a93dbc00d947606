// SPDX-License-Identifier: MIT
// The desktop app under the offscreen platform: panels answered by the test, Cancel, the
// toolbar's configuration across a restart, alert answers and the start-up state.
#include "app/log_controller.h"
#include "app/startup.h"
#include "gui/command_line.h"
#include "gui/command_runner.h"
#include "gui/main_window.h"
#include "gui/qt_user_interface.h"
#include "platform/qsettings_preference_store.h"
#include "support/offscreen_application.h"
#include "viewer/viewer_fixture.h"
#include "viewer_qt/add_timecode_sheet.h"
#include "viewer_qt/viewer_widget.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>

namespace korvel::gui {
namespace {

class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvel::test::offscreenApplication();
        ASSERT_TRUE(m_folder.isValid());
        m_prefsPath = m_folder.filePath(QStringLiteral("prefs.ini")).toStdString();
    }

    std::unique_ptr<MainWindow> openWindow() {
        m_store = std::make_unique<QSettingsPreferenceStore>(m_prefsPath);
        static_cast<void>(prepareStore(*m_store, m_folder.path().toStdString()));
        m_log = std::make_unique<KTLogController>();
        return std::make_unique<MainWindow>(*m_store, *m_log, m_folder.path().toStdString());
    }

    QTemporaryDir m_folder;
    std::string m_prefsPath;
    std::unique_ptr<QSettingsPreferenceStore> m_store;
    std::unique_ptr<KTLogController> m_log;
};

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
        const auto answering = QObject::connect(
            &window->userInterface(), &QtUserInterface::dialogAboutToRun, [&row](QDialog* dialog) {
                QTimer::singleShot(0, dialog, [box = qobject_cast<QMessageBox*>(dialog), &row] {
                    if (row.press == QStringLiteral("Escape"))
                        QTest::keyClick(box, Qt::Key_Escape);
                    for (QAbstractButton* button : box->buttons())
                        if (button->text() == row.press)
                            button->click();
                });
            });
        EXPECT_EQ(
            window->userInterface().runAlert({"File Alreay Exists!", "The File: a.mov exists.",
                                              "Replace", "Skip File", "Abort", false}),
            row.answer)
            << row.press.toStdString();
        QObject::disconnect(answering);
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
            if (!panel) {
                // An alert means the conversion failed: answer it, or the run never ends.
                ADD_FAILURE() << "unexpected dialog: " << dialog->windowTitle().toStdString();
                QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
                return;
            }
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
    window.reset(); // and its store, as quitting does
    m_store.reset();

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

// Movies and sound files for the viewer's window; empty when ffmpeg is missing.
std::string makeFile(const QString& folder, const std::string& name, const std::string& input,
                     const std::string& options) {
    if (!korvel::test::haveProgram("ffmpeg"))
        return {};
    const std::string path = (std::filesystem::path(folder.toStdString()) / name).string();
    const auto made = korvel::test::runCommand("ffmpeg -v error -y -f lavfi -i " + input + " " +
                                               options + " " + korvel::test::shellQuote(path));
    return made.status == 0 ? path : std::string();
}

QAction* menuItem(MainWindow& window, const QString& title) {
    for (QAction* item : window.findChildren<QAction*>())
        if (item->text() == title)
            return item;
    return nullptr;
}

// Answers the add sheet with a start timecode and a reel, or the delete sheet.
void addTimecodeThroughSheet(MainWindow& window) {
    QTimer::singleShot(0, &window, [&window] {
        auto* sheet = window.viewer().addTimecodeSheet();
        sheet->startField()->setText(QStringLiteral("01:00:00:00"));
        sheet->reelField()->setEditText(QStringLiteral("A001"));
        sheet->addButton()->click();
    });
    window.runCommand(Command::AddTc);
}

void answerDeleteSheet(MainWindow& window, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, &window, [&window, answer] {
        auto* sheet =
            window.viewer().findChild<QMessageBox*>(QStringLiteral("deleteTimecodeSheet"));
        ASSERT_NE(sheet, nullptr);
        sheet->button(answer)->click();
    });
    window.runCommand(Command::DeleteTc);
}

TEST_F(GuiTest, FileNamedOnTheCommandLineIsRememberedByItsFullPath) {
    const auto line =
        parseCommandLine({QStringLiteral("korvel-tools"), QStringLiteral("clip.mov")});
    EXPECT_EQ(line.files,
              QStringList{QDir::current().absoluteFilePath(QStringLiteral("clip.mov"))});
    EXPECT_TRUE(line.prefsFile.empty());
}

// The enabling of the movie commands, the Close item and the transport in every state of the
// viewer, on the toolbar and in the menus alike; Add TC and Delete TC run their sheets.
TEST_F(GuiTest, ViewerCommandsAreEnabledByWhatIsLoaded) {
    const QString folder = m_folder.path();
    const auto plain = makeFile(folder, "plain.mov", "testsrc=size=64x36:duration=2:rate=25",
                                "-c:v libx264 -pix_fmt yuv420p");
    const auto timed = makeFile(folder, "timed.mov", "testsrc=size=64x36:duration=2:rate=25",
                                "-c:v libx264 -pix_fmt yuv420p -timecode 01:00:00:00");
    const auto sound = makeFile(folder, "tone.wav", "sine=duration=2", "-ar 48000");
    if (plain.empty() || timed.empty() || sound.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    auto window = openWindow();
    auto& viewer = window->viewer();
    auto open = [&](const std::string& path) {
        return [&window, path] { window->openFile(QString::fromStdString(path)); };
    };
    auto key = [&](Qt::Key k) { return [&viewer, k] { QTest::keyClick(&viewer, k); }; };
    struct Row {
        const char* state;
        std::function<void()> enter;
        bool add;
        bool del;
        bool close;
    };
    const Row rows[] = {
        {"nothing loaded", [] {}, false, false, false},
        {"movie without timecode", open(plain), true, false, true},
        {"track added through the menu", [&] { addTimecodeThroughSheet(*window); }, false, true,
         true},
        {"delete cancelled", [&] { answerDeleteSheet(*window, QMessageBox::Cancel); }, false, true,
         true},
        {"delete confirmed", [&] { answerDeleteSheet(*window, QMessageBox::Ok); }, true, false,
         true},
        {"playing it", key(Qt::Key_L), true, false, true},
        {"movie with timecode", open(timed), false, true, true},
        {"sound file", open(sound), false, false, true},
        {"closed", [&window] { emit window->closeMovieRequested(); }, false, false, false},
    };
    for (const Row& row : rows) {
        row.enter();
        SCOPED_TRACE(row.state);
        EXPECT_EQ(viewer.controller().canAddTC(), row.add);
        EXPECT_EQ(viewer.controller().isTCMovie(), row.del);
        for (const auto& [command, enabled] :
             {std::pair{Command::AddTc, row.add}, std::pair{Command::DeleteTc, row.del}}) {
            QAction* item = window->action(command);
            EXPECT_EQ(item->isEnabled(), enabled) << item->objectName().toStdString();
            QWidget* onToolbar = window->toolbar()->widgetForAction(item);
            ASSERT_NE(onToolbar, nullptr);
            EXPECT_EQ(onToolbar->isEnabled(), enabled) << item->objectName().toStdString();
        }
        EXPECT_EQ(menuItem(*window, QStringLiteral("Close"))->isEnabled(), row.close);
        for (const ToolbarItem& other : toolbarItems()) {
            if (other.command != Command::AddTc && other.command != Command::DeleteTc) {
                EXPECT_TRUE(window->action(other.command)->isEnabled()) << other.identifier;
            }
        }
    }
}

} // namespace
} // namespace korvel::gui
