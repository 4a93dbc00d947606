// SPDX-License-Identifier: MIT
#include "viewer_qt/viewer_widget.h"

#include "app/reel_id_history.h"
#include "timecode/timecode.h"
#include "viewer/media_opener.h"
#include "viewer/viewer_preferences.h"
#include "viewer_qt/add_timecode_sheet.h"
#include "viewer_qt/audio_device_sink.h"
#include "viewer_qt/picture_view.h"
#include "viewer_qt/transport_bar.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QVBoxLayout>
#include <utility>

namespace korvel::viewer_qt {
namespace {

QLabel* readoutLabel(const QString& text, const QString& objectName, const QString& description,
                     QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    // No fixed accessible name: a screen reader reads the label's current text.
    label->setAccessibleDescription(description);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

TvSystem projectTvSystem(const PreferenceStore& prefs) {
    return tvSystemFromName(prefs.stringOrEmpty(viewer::kPrefTVSys)).value_or(TvSystem::Pal);
}

viewer::MediaOpenOptions mediaOptions(const PreferenceStore& prefs) {
    viewer::MediaOpenOptions options;
    const auto budget = prefs.integer(viewer::kPrefFrameCacheBytes);
    if (budget > 0)
        options.frameBudget = std::size_t(budget);
    options.soundFrames = timeCodeDef(projectTvSystem(prefs), prefs.boolean(viewer::kPrefDF));
    return options;
}

} // namespace

ViewerWidget::ViewerWidget(ViewerWidgetServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_picture(new PictureView(this)),
      m_transport(new TransportBar(this)),
      m_readout(readoutLabel(QString::fromUtf8(viewer::kNothingLoaded), QStringLiteral("putTC"),
                             tr("Timecode"), this)),
      m_frameRate(readoutLabel(QStringLiteral("0"), QStringLiteral("fps"), tr("Frame rate"), this)),
      m_reel(readoutLabel(QString(), QStringLiteral("putReelID"), tr("Reel"), this)),
      m_fileName(readoutLabel(tr("no movie loaded"), QStringLiteral("myMovieFileName"),
                              tr("File name"), this)),
      m_addSheet(new AddTimecodeSheet(this)),
      m_soundSink(std::make_unique<AudioDeviceSink>(m_services.log)),
      m_soundFeeder(std::make_unique<viewer::SoundFeeder>(*m_soundSink)) {
    setObjectName(QStringLiteral("viewer"));
    setFocusPolicy(Qt::StrongFocus);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(20);
    m_readout->setFont(mono);
    auto* fields = new QFormLayout;
    fields->addRow(tr("Timecode"), m_readout);
    fields->addRow(tr("Frame rate"), m_frameRate);
    fields->addRow(tr("Reel"), m_reel);
    fields->addRow(tr("File"), m_fileName);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_picture, 1);
    layout->addWidget(m_transport);
    layout->addLayout(fields);

    viewer::ViewerServices engine{m_services.ui,
                                  m_services.prefs,
                                  m_services.attributes,
                                  m_services.console,
                                  m_services.log,
                                  [this](std::function<void()> work) { postToGuiThread(std::move(work)); }};
    auto makePlayer = [this](const std::string& path,
                             viewer::FrameSink sink) -> Result<std::unique_ptr<viewer::Player>> {
        auto player =
            viewer::openMediaPlayer(path, std::move(sink), mediaOptions(m_services.prefs));
        if (!player)
            return player.error();
        m_soundFeeder->setSource(path);
        (*player)->setListener(m_soundFeeder.get());
        // While sound plays, the pictures keep the sound device's time.
        (*player)->setPlayClock(std::make_shared<viewer::PlayClock>(
            viewer::steadyTime(), [sink = m_soundSink.get()] { return sink->played(); }));
        return std::unique_ptr<viewer::Player>(std::move(*player));
    };
    m_controller = std::make_unique<viewer::ViewerController>(
        std::move(engine), std::move(makePlayer), static_cast<viewer::ViewerDisplay&>(*this));
    connectTransport();
}

// The controller stops its threads before the widgets they post to go.
ViewerWidget::~ViewerWidget() {
    m_controller.reset();
}

void ViewerWidget::postToGuiThread(std::function<void()> work) {
    // Dropped by Qt when the widget is gone before the call runs.
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void ViewerWidget::connectTransport() {
    auto& c = *m_controller;
    connect(m_transport, &TransportBar::playRequested, this, [&c] { c.playMovie(); });
    connect(m_transport, &TransportBar::playReverseRequested, this, [&c] { c.playRewMovie(); });
    connect(m_transport, &TransportBar::stopRequested, this, [&c] { c.stopMovie(); });
    connect(m_transport, &TransportBar::stepRequested, this,
            [&c](int direction) { direction > 0 ? c.stepfwdMovie() : c.stepbackMovie(); });
    connect(m_transport, &TransportBar::goToStartRequested, this, [&c] { c.rewMovie(); });
    connect(m_transport, &TransportBar::goToEndRequested, this, [&c] { c.ffwdMovie(); });
    connect(m_transport, &TransportBar::seekRequested, this,
            [&c](std::int64_t time) { c.movieSlider(time); });
}

bool ViewerWidget::openPath(const QString& path) {
    return m_controller->openPath(path.toStdString());
}

void ViewerWidget::closeMovie() {
    m_controller->closeMovie();
}

void ViewerWidget::showPlaceholder(const QString& tvSystem) {
    m_picture->setPlaceholder(tvSystem);
}

QString ViewerWidget::placeholderTvSystem() const {
    return m_picture->placeholderTvSystem();
}

void ViewerWidget::runAddTimecodeSheet() {
    if (!m_controller->state().addEnabled)
        return;
    m_addSheet->prepare(reelIdHistory(m_services.prefs), projectTvSystem(m_services.prefs));
    if (m_addSheet->exec() != QDialog::Accepted)
        return;
    const std::string reel = m_addSheet->reelId();
    m_controller->addTimecode(m_addSheet->startTimecode(), reel);
    recordReelId(m_services.prefs, reel);
}

void ViewerWidget::runDeleteTimecodeSheet() {
    if (!m_controller->state().deleteEnabled)
        return;
    QMessageBox sheet(QMessageBox::Warning, tr("Delete Timecode"),
                      tr("Delete the timecode track of \"%1\"?").arg(m_fileName->text()),
                      QMessageBox::Ok | QMessageBox::Cancel, this);
    sheet.setObjectName(QStringLiteral("deleteTimecodeSheet"));
    sheet.setWindowModality(Qt::WindowModal);
    sheet.setDefaultButton(QMessageBox::Cancel);
    if (sheet.exec() == QMessageBox::Ok)
        m_controller->deleteTimecode();
}

void ViewerWidget::stateChanged(const viewer::ViewerState& state) {
    m_readout->setText(QString::fromStdString(state.readout));
    m_frameRate->setText(QString::fromStdString(state.frameRate));
    m_reel->setText(QString::fromStdString(state.reel));
    m_fileName->setText(QString::fromStdString(state.fileName));
    m_transport->showPosition(state.sliderValue, state.sliderMaximum);
    m_transport->showPlaying(state.playOn, state.reverseOn);
    if (state.soundFile)
        m_picture->showSoundFile();
    emit movieStateChanged(m_controller && m_controller->anyMovieLoaded(), state.deleteEnabled,
                           state.addEnabled);
}

void ViewerWidget::showFrame(viewer::FramePtr frame) {
    const auto generation = m_pictureGeneration.load();
    postToGuiThread([this, generation, frame = std::move(frame)]() mutable {
        if (generation == m_pictureGeneration.load())
            m_picture->showFrame(std::move(frame));
    });
}

void ViewerWidget::clearPicture() {
    ++m_pictureGeneration;
    m_picture->clear();
}

void ViewerWidget::togglePlay() {
    if (m_controller->movieSpeed() != 0) {
        m_controller->stopMovie();
    } else {
        m_controller->playMovie();
    }
}

void ViewerWidget::keyPressEvent(QKeyEvent* event) {
    using Action = void (viewer::ViewerController::*)();
    static constexpr std::pair<int, Action> kTransportKeys[] = {
        {Qt::Key_J, &viewer::ViewerController::playRewMovie},
        {Qt::Key_K, &viewer::ViewerController::stopMovie},
        {Qt::Key_L, &viewer::ViewerController::playMovie},
        {Qt::Key_Left, &viewer::ViewerController::stepbackMovie},
        {Qt::Key_Right, &viewer::ViewerController::stepfwdMovie},
        {Qt::Key_Home, &viewer::ViewerController::rewMovie},
        {Qt::Key_End, &viewer::ViewerController::ffwdMovie}};
    if (event->key() == Qt::Key_Space) {
        togglePlay();
        event->accept();
        return;
    }
    for (const auto& [key, action] : kTransportKeys) {
        if (key == event->key()) {
            (m_controller.get()->*action)();
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace korvel::viewer_qt
