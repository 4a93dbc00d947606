// SPDX-License-Identifier: MIT
// The viewer's window under the offscreen platform: what assistive technology finds, the keys,
// opening a movie, and adding its timecode track through the sheet (the delete sheet is answered
// in the desktop app's tests).
#include "audio/wave_builder.h"
#include "support/offscreen_application.h"
#include "support/outside_tools.h"
#include "viewer/viewer_fixture.h"
#include "viewer/viewer_preferences.h"
#include "viewer_qt/add_timecode_sheet.h"
#include "viewer_qt/picture_view.h"
#include "viewer_qt/transport_bar.h"
#include "viewer_qt/viewer_widget.h"

#include <QApplication>
#include <QAudioDevice>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace korvel::viewer_qt {
namespace {

std::string probe(const std::string& path) {
    return korvel::test::commandOutput(
        "ffprobe -v error -show_entries stream=codec_tag_string:stream_tags=timecode "
        "-of default=nw=1 " +
        korvel::test::shellQuote(path));
}

class ViewerWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        korvel::test::offscreenApplication();
        prefs.setString(viewer::kPrefTVSys, "PAL");
        widget = std::make_unique<ViewerWidget>(
            ViewerWidgetServices{ui, prefs, attributes, console,
                                 [this](std::string_view line) { log.emplace_back(line); }},
            nullptr);
    }

    /// Two seconds at 25 fps, no timecode track; skips without ffmpeg.
    std::string movie(const std::string& name = "clip.mov") {
        return viewer::test::makeTestMovie(korvel::test::processScratch("korvel-viewer-qt"), name,
                                           "25", 12, 2.0);
    }

    /// Answers the add sheet once it runs.
    void addThroughSheet(const QString& start, const QString& reel) {
        QTimer::singleShot(0, widget.get(), [this, start, reel] {
            auto* sheet = widget->addTimecodeSheet();
            sheet->startField()->setText(start);
            sheet->reelField()->setEditText(reel);
            sheet->addButton()->click();
        });
        widget->runAddTimecodeSheet();
    }

    QString readout() const { return widget->readout()->text(); }

    ScriptedUserInterface ui;
    MemoryPreferenceStore prefs;
    korvel::test::MemoryFileAttributes attributes;
    viewer::test::SilentConsole console;
    std::vector<std::string> log;
    std::unique_ptr<ViewerWidget> widget;
};

TEST_F(ViewerWidgetTest, ControlsAreNamedForAssistiveTechnology) {
    for (const char* name : {"Play", "Play Reverse", "Stop", "Step Backward", "Step Forward",
                             "Go to Start", "Go to End"}) {
        QToolButton* button = widget->transport()->button(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(name));
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << name << " would take the viewer's keys";
    }
    EXPECT_EQ(widget->transport()->slider()->accessibleName(), QStringLiteral("Time"));
}

TEST_F(ViewerWidgetTest, StartTimecodeMustSuitTheTvSystem) {
    struct Row {
        const char* system;
        const char* start;
        bool addable;
    };
    // Which texts are timecodes is the timecode tests' business; here the sheet asks under the
    // system it was given.
    const Row rows[] = {{"PAL", "00:00:00:24", true},
                        {"PAL", "10:00:00:25", false},
                        {"24 fps", "00:00:00:24", false},
                        {"NTSC", "00:01:00;02", true}};
    for (const Row& row : rows) {
        auto* sheet = widget->addTimecodeSheet();
        sheet->prepare({}, *tvSystemFromName(row.system));
        sheet->startField()->setText(QString::fromLatin1(row.start));
        EXPECT_EQ(sheet->addButton()->isEnabled(), row.addable) << row.system << " " << row.start;
    }
}

TEST_F(ViewerWidgetTest, KeysAndTheSliderMoveTheReadoutAfterTheSheetAddsATrack) {
    const auto path = movie();
    if (path.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_TRUE(widget->openPath(QString::fromStdString(path)));
    EXPECT_EQ(widget->fileName()->text(), QStringLiteral("clip.mov"));
    EXPECT_TRUE(widget->frameRate()->text().startsWith(QStringLiteral("25")))
        << widget->frameRate()->text().toStdString();

    prefs.setString("reelid01", "B002");
    addThroughSheet(QStringLiteral("10:00:00:00"), QStringLiteral("A001"));
    EXPECT_EQ(widget->reel()->text(), QStringLiteral("A001"));
    EXPECT_EQ(prefs.stringOrEmpty("reelid01"), "A001");
    EXPECT_EQ(prefs.stringOrEmpty("reelid02"), "B002");
    if (korvel::test::haveProgram("ffprobe")) {
        EXPECT_NE(probe(path).find("timecode=10:00:00:00"), std::string::npos) << probe(path);
    }

    struct Step {
        Qt::Key key;
        const char* readout;
    };
    const Step steps[] = {{Qt::Key_Home, "10:00:00:00"},  {Qt::Key_Right, "10:00:00:01"},
                          {Qt::Key_Right, "10:00:00:02"}, {Qt::Key_Left, "10:00:00:01"},
                          {Qt::Key_End, "10:00:01:24"},   {Qt::Key_Home, "10:00:00:00"}};
    for (const Step& step : steps) {
        QTest::keyClick(widget.get(), step.key);
        EXPECT_EQ(readout().toStdString(), step.readout) << QTest::toString(step.key);
    }
    // A drag of the slider lands on its frame: 30 is 10:00:01:05.
    auto* slider = widget->transport()->slider();
    slider->setSliderPosition(int(30 * widget->controller().player()->timeScale() / 25));
    slider->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(readout().toStdString(), "10:00:01:05");
}

// A sound file shows its card until a movie is opened; a step shows the movie's picture, and
// closing brings the placeholder back.
TEST_F(ViewerWidgetTest, PictureFollowsWhatIsOpen) {
    const auto moviePath = movie();
    if (moviePath.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    const auto soundPath = (std::filesystem::path(moviePath).parent_path() / "tone.wav").string();
    korvel::test::writeFile(soundPath, korvel::test::bwfRecording({}, 2, 48000, 16, 1.0, false));
    widget->showPlaceholder(QStringLiteral("PAL"));
    ASSERT_TRUE(widget->openPath(QString::fromStdString(soundPath)))
        << (log.empty() ? "" : log.back());
    EXPECT_EQ(widget->picture()->accessibleName(), QStringLiteral("Sound file"));
    EXPECT_EQ(widget->frameRate()->text(), QStringLiteral("25.00"));
    EXPECT_EQ(widget->fileName()->text(), QStringLiteral("tone.wav"));

    ASSERT_TRUE(widget->openPath(QString::fromStdString(moviePath)));
    QTest::keyClick(widget.get(), Qt::Key_Right);
    // The step has shown its frame before it returned; the picture comes in a queued call.
    QApplication::processEvents();
    EXPECT_TRUE(widget->picture()->showsFrame());
    EXPECT_EQ(widget->picture()->accessibleName(), QStringLiteral("Movie picture"));
    widget->closeMovie();
    QApplication::processEvents();
    EXPECT_FALSE(widget->picture()->showsFrame());
    EXPECT_EQ(widget->picture()->accessibleName(), QStringLiteral("No movie loaded (PAL)"));
}

TEST_F(ViewerWidgetTest, WithoutASoundDevicePlayIsSilentAndSaidOnce) {
    if (!QMediaDevices::defaultAudioOutput().isNull())
        GTEST_SKIP() << "this machine has a sound device";
    const auto moviePath = movie();
    if (moviePath.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_TRUE(widget->openPath(QString::fromStdString(moviePath)));
    for (const auto key : {Qt::Key_L, Qt::Key_K, Qt::Key_J}) {
        QTest::keyClick(widget.get(), key);
        EXPECT_EQ(widget->controller().state().playOn, key == Qt::Key_L);
        EXPECT_EQ(widget->controller().state().reverseOn, key == Qt::Key_J);
    }
    QTest::keyClick(widget.get(), Qt::Key_K);
    EXPECT_EQ(
        std::count_if(log.begin(), log.end(),
                      [](const std::string& line) { return line.find("No sound device") == 0; }),
        1);
}

TEST_F(ViewerWidgetTest, AddOnAFileThatCannotBeChangedLeavesAddEnabled) {
    const auto path = movie("locked.mov");
    if (path.empty())
        GTEST_SKIP() << "ffmpeg is not installed";
    // Read-only by its mode, which the movie writer honours even for root.
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    bool addEnabled = false;
    QObject::connect(widget.get(), &ViewerWidget::movieStateChanged,
                     [&addEnabled](bool, bool, bool canAddTC) { addEnabled = canAddTC; });
    ASSERT_TRUE(widget->openPath(QString::fromStdString(path)));
    QTest::keyClick(widget.get(), Qt::Key_L);
    addThroughSheet(QStringLiteral("10:00:00:00"), QStringLiteral("A001"));
    EXPECT_TRUE(addEnabled);
    EXPECT_TRUE(widget->controller().state().addEnabled);
    EXPECT_FALSE(widget->controller().state().deleteEnabled);
    EXPECT_FALSE(widget->controller().isTCMovie());
    EXPECT_EQ(readout(), QString::fromUtf8(viewer::kNoTimecode));
}

} // namespace
} // namespace korvel::viewer_qt
