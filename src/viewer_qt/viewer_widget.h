// SPDX-License-Identifier: MIT
#pragma once

#include "viewer/sound_feeder.h"
#include "viewer/viewer_controller.h"

#include <QWidget>
#include <atomic>
#include <memory>

class QLabel;

namespace korvel::viewer_qt {

class AddTimecodeSheet;
class AudioDeviceSink;
class PictureView;
class TransportBar;

/// What the viewer needs of the application.
struct ViewerWidgetServices {
    UserInterface& ui;
    PreferenceStore& prefs;
    FileAttributes& attributes;
    Console& console;
    viewer::LogEntry log;
};

/// The movie viewer: the picture, the timecode, frame-rate, reel and file-name readouts, the
/// transport and its keys, and the add/delete timecode sheets, over the viewer's controller.
/// Pictures and running readings from other threads reach the widgets on the GUI thread.
class ViewerWidget final : public QWidget, private viewer::ViewerDisplay {
    Q_OBJECT
  public:
    ViewerWidget(ViewerWidgetServices services, QWidget* parent);
    ~ViewerWidget() override;

    bool openPath(const QString& path);
    void closeMovie();
    /// The add-timecode sheet, then the add and the reload; records the reel ID.
    void runAddTimecodeSheet();
    /// The confirmation sheet, then the delete and the reload.
    void runDeleteTimecodeSheet();

    /// The placeholder picture shown while nothing is loaded.
    void showPlaceholder(const QString& tvSystem);
    QString placeholderTvSystem() const;

    viewer::ViewerController& controller() { return *m_controller; }
    PictureView* picture() const { return m_picture; }
    TransportBar* transport() const { return m_transport; }
    QLabel* readout() const { return m_readout; }
    QLabel* frameRate() const { return m_frameRate; }
    QLabel* reel() const { return m_reel; }
    QLabel* fileName() const { return m_fileName; }
    AddTimecodeSheet* addTimecodeSheet() const { return m_addSheet; }

  signals:
    /// After every change of the viewer: what the enabling of the movie commands follows.
    void movieStateChanged(bool anyMovieLoaded, bool isTCMovie, bool canAddTC);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void stateChanged(const viewer::ViewerState& state) override;
    void showFrame(viewer::FramePtr frame) override;
    void clearPicture() override;
    void postToGuiThread(std::function<void()> work);
    void connectTransport();
    void togglePlay();

    ViewerWidgetServices m_services;
    PictureView* m_picture;
    TransportBar* m_transport;
    QLabel* m_readout;
    QLabel* m_frameRate;
    QLabel* m_reel;
    QLabel* m_fileName;
    AddTimecodeSheet* m_addSheet;
    /// Pictures posted before the picture was cleared are not shown after it.
    std::atomic<std::uint64_t> m_pictureGeneration{0};
    // Declared before the controller: its players tell the feeder when play stops, up to their end.
    std::unique_ptr<AudioDeviceSink> m_soundSink;
    std::unique_ptr<viewer::SoundFeeder> m_soundFeeder;
    std::unique_ptr<viewer::ViewerController> m_controller;
};

} // namespace korvel::viewer_qt
