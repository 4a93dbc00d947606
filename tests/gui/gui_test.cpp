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
#include "timecode/timecode.h"
#include "viewer/viewer_fixture.h"
#include "viewer_qt/add_timecode_sheet.h"
#include "viewer_qt/transport_bar.h"
#include "viewer_qt/viewer_widget.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
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

std::string probeValue(const std::string& entries, const std::string& path) {
    const auto out =
        korvel::test::commandOutput("ffprobe -v error -show_entries " + entries +
                                    " -of default=nw=1:nk=1 " + korvel::test::shellQuote(path));
    return out.substr(0, out.find('\n'));
}

QAction* menuItem(MainWindow& window, const QString& title) {
    for (QAction* item : window.findChildren<QAction*>())
        if (item->text() == title)
            return item;
    return nullptr;
}

// Answers the add sheet with a start timecode and a reel, or the delete sheet with OK.
void addTimecodeThroughSheet(MainWindow& window, const QString& start) {
    QTimer::singleShot(0, &window, [&window, start] {
        auto* sheet = window.viewer().addTimecodeSheet();
        sheet->startField()->setText(start);
        sheet->reelField()->setEditText(QStringLiteral("A001"));
        sheet->addButton()->click();
    });
    window.runCommand(Command::AddTc);
}

void confirmDeleteThroughSheet(MainWindow& window) {
    QTimer::singleShot(0, &window, [&window] {
        auto* sheet =
            window.viewer().findChild<QMessageBox*>(QStringLiteral("deleteTimecodeSheet"));
        ASSERT_NE(sheet, nullptr);
        sheet->button(QMessageBox::Ok)->click();
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

struct FirstRun {
    const char* name;
    const char* tvSystem;
    bool dropFrame;
    /// ffmpeg's picture rate.
    const char* rate;
    /// Typed in the add sheet.
    const char* start;
};

// What a new user does with `korvel-tools FILE`: every stop of the transport shows the
// timecode of the frame on screen, counted from the start ffprobe reads in the file.
TEST_F(GuiTest, FileNamedOnTheCommandLineShowsTheTimecodeOfEveryFrameReached) {
    if (!korvel::test::haveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe is not installed";
    const FirstRun runs[] = {{"pal", "PAL", false, "25", "10:00:00:00"},
                             {"film", "24 fps", false, "24", "00:59:59:12"},
                             {"ntsc drop frame", "NTSC", true, "30000/1001", "00:00:59;20"}};
    for (const FirstRun& run : runs) {
        SCOPED_TRACE(run.name);
        const std::string path =
            makeFile(m_folder.path(), "clip.mov",
                     "testsrc=size=64x36:duration=2:rate=" + std::string(run.rate),
                     "-c:v libx264 -g 12 -bf 2 -pix_fmt yuv420p");
        if (path.empty())
            GTEST_SKIP() << "ffmpeg is not installed";
        auto window = openWindow();
        m_store->setString("TVSys", run.tvSystem);
        m_store->setBoolean("DF", run.dropFrame);
        for (const QString& file :
             parseCommandLine({QStringLiteral("korvel-tools"), QString::fromStdString(path)}).files)
            window->openFile(file);
        auto& viewer = window->viewer();
        ASSERT_EQ(viewer.fileName()->text(), QStringLiteral("clip.mov"));
        const auto def = timeCodeDef(*tvSystemFromName(run.tvSystem), run.dropFrame);
        EXPECT_EQ(viewer.readout()->text(), QStringLiteral("no timecode"));
        addTimecodeThroughSheet(*window, QString::fromLatin1(run.start));
        const auto start = probeValue("stream_tags=timecode", path);
        EXPECT_EQ(start, run.start);
        const std::int64_t first = frameNumber(*parseTimeCodeFields(start), def);

        auto* player = dynamic_cast<viewer::MoviePlayer*>(viewer.controller().player());
        ASSERT_NE(player, nullptr);
        const std::int64_t last = player->clock().count() - 1;
        auto key = [&](Qt::Key k) { return [&viewer, k] { QTest::keyClick(&viewer, k); }; };
        auto slideTo = [&](std::int64_t frame) {
            return [&, frame] {
                auto* slider = viewer.transport()->slider();
                slider->setSliderPosition(int(viewer::rescale(
                    player->clock().start(frame), player->clock().scale(), player->timeScale())));
                slider->triggerAction(QAbstractSlider::SliderMove);
            };
        };
        // Plays until the picture has moved a few frames, then stops.
        auto playBriefly = [&](Qt::Key direction) {
            return [&, direction] {
                const std::int64_t from = player->currentFrame();
                QTest::keyClick(&viewer, direction);
                while (std::llabs(player->currentFrame() - from) < 3)
                    QTest::qWait(10);
                QTest::keyClick(&viewer, Qt::Key_K);
            };
        };
        struct Stop {
            const char* how;
            std::function<void()> act;
            std::int64_t frame; // -1: wherever play stopped
        };
        const Stop stops[] = {{"Home", key(Qt::Key_Home), 0},
                              {"step forward", key(Qt::Key_Right), 1},
                              {"End", key(Qt::Key_End), last},
                              {"slider", slideTo(30), 30},
                              {"play", playBriefly(Qt::Key_L), -1}};
        for (const Stop& stop : stops) {
            stop.act();
            if (stop.frame >= 0) {
                EXPECT_EQ(player->currentFrame(), stop.frame) << stop.how;
            }
            EXPECT_EQ(
                viewer.readout()->text().toStdString(),
                timeCodeText(timeCodeRecord(first + player->currentFrame(), def), run.dropFrame))
                << stop.how << " to frame " << player->currentFrame();
        }

        confirmDeleteThroughSheet(*window);
        EXPECT_EQ(viewer.readout()->text(), QStringLiteral("no timecode"));
        EXPECT_TRUE(window->action(Command::AddTc)->isEnabled());
        EXPECT_EQ(probeValue("stream=codec_tag_string -select_streams d", path), "");
    }
}

// The enabling of the movie commands, the Close item and the transport in every state of the
// viewer, on the toolbar and in the menus alike.
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
