// SPDX-License-Identifier: MIT
#include "viewer/viewer_controller.h"

#include "movie/bwf_reader.h"
#include "platform/path_names.h"
#include "qtff/movie_file.h"
#include "timecode/timecode.h"
#include "viewer/viewer_preferences.h"

#include <chrono>
#include <thread>

namespace korvel::viewer {
namespace {

const std::vector<std::string> kOpenExtensions = {"mov", "MOV", "MooV", "mp4", "MP4",
                                                  "wav", "WAV", "bwf",  "BWF"};

TimeCodeDef projectDefinition(const PreferenceStore& prefs) {
    const auto system = tvSystemFromName(prefs.stringOrEmpty(kPrefTVSys)).value_or(TvSystem::Pal);
    return timeCodeDef(system, prefs.boolean(kPrefDF));
}

// The picture rate of the TV system with two decimals ("25.00", "29.97", "23.98").
std::string soundFrameRateText(const PreferenceStore& prefs) {
    const auto system =
        tvSystemFromName(prefs.stringOrEmpty(kPrefTVSys)).value_or(TvSystem::Film24);
    const Rational rate = system.frameRate();
    const std::int64_t hundredths =
        (rate.numerator * 100 + rate.denominator / 2) / rate.denominator;
    const std::string cents = std::to_string(hundredths % 100);
    return std::to_string(hundredths / 100) + "." + (cents.size() < 2 ? "0" : "") + cents;
}

} // namespace

ViewerController::ViewerController(ViewerServices services, PlayerFactory makePlayer,
                                   ViewerDisplay& display)
    : m_services(std::move(services)), m_makePlayer(std::move(makePlayer)), m_display(display),
      m_qtUtility(m_services.console, m_services.ui), m_poller(m_services.post) {}

ViewerController::~ViewerController() {
    stopPollerAndPlayer();
}

void ViewerController::stopPollerAndPlayer() {
    m_poller.stopAndJoin();
    if (m_player)
        m_player->stop();
}

bool ViewerController::openFile() {
    OpenPanel panel;
    panel.allowedExtensions = kOpenExtensions;
    panel.allowedTypeCodes = {"MooV", "WAVE"};
    panel.startFolder = folderOf(m_services.prefs.stringOrEmpty(kPrefLastMovieFile));
    const auto chosen = m_services.ui.runOpenPanel(panel);
    if (!chosen || chosen->empty())
        return false;
    return openChecked(chosen->front());
}

bool ViewerController::openPath(const std::string& path) {
    return openChecked(path);
}

bool ViewerController::openChecked(const std::string& path) {
    m_aFile = path;
    m_services.prefs.setString(kPrefLastMovieFile, path);
    if (needsTypeCodeCheck(path) &&
        !checkWaveTypeCode(path, m_services.attributes, m_services.prefs, m_services.ui,
                           m_services.log))
        return false;
    if (!openTCMovie(path))
        return false;
    if (isSoundFile(path))
        showBwfInformation();
    return true;
}

bool ViewerController::openTCMovie(const std::string& path) {
    // The poller reads the player: it must end before the player is replaced.
    stopPollerAndPlayer();
    m_player.reset();
    m_tcTrack.reset();
    m_soundStart.reset();
    buttonsOff();
    m_movieSpeed = 0;
    auto player =
        m_makePlayer(path, [this](FramePtr frame) { m_display.showFrame(std::move(frame)); });
    if (!player) {
        m_services.log("Unable to open the file: " + path + " (" + player.error().message + ")");
        closeMovie();
        return false;
    }
    m_player = std::move(*player);
    m_shownFile = path;
    m_state.addEnabled = m_state.deleteEnabled = false;
    m_state.readout = kNoTimecode;
    m_state.reel = kNoSourceName;
    m_anyMovieLoaded = true;
    m_state.fileName = fileNameOf(path);
    m_state.closeEnabled = true;
    m_state.soundFile = isSoundFile(path);
    m_state.sliderMaximum = m_player->duration();
    if (m_state.soundFile)
        m_display.clearPicture();
    readTimecodeState();
    m_state.sliderValue = m_player->currentTime();
    publish();
    return true;
}

void ViewerController::readTimecodeState() {
    auto file = qtff::MovieFile::open(m_shownFile, qtff::OpenMode::ReadOnly);
    m_state.frameRate = file ? getFPS(file->movie()) : "NA";
    m_isTCMovie = m_qtUtility.ZAN_CheckTCTrack(m_shownFile);
    m_canAddTC = !m_isTCMovie;
    m_state.deleteEnabled = m_isTCMovie;
    m_state.addEnabled = m_canAddTC;
    if (!file)
        return;
    auto reader = TimecodeTrackReader::read(*file);
    if (!reader || !*reader)
        return;
    m_tcTrack = std::move(**reader);
    const auto now = m_tcTrack->at(m_player->currentFrameMiddle());
    if (!now)
        return;
    if (!now->reelName.empty())
        m_state.reel = now->reelName;
    if (auto text = readoutText(now->frameNumber, now->definition))
        m_state.readout = *text;
}

void ViewerController::showBwfInformation() {
    const auto info = getBWF2Info(m_shownFile, bwfReadOptions(m_services.prefs));
    m_state.frameRate = soundFrameRateText(m_services.prefs);
    for (const auto& line :
         bwfInfoSummary(m_shownFile, info, m_services.prefs.stringOrEmpty(kPrefTVSys)))
        m_services.log(line);
    m_state.readout = info.value(bwfkey::kMediaStart);
    m_state.reel = info.value(bwfkey::kReel);
    const auto def = projectDefinition(m_services.prefs);
    if (const auto start = parseTimeCodeFields(m_state.readout))
        m_soundStart = TimecodeAtTime{frameNumber(*start, def), def, m_state.reel};
    m_state.addEnabled = m_state.deleteEnabled = false;
    m_isTCMovie = m_canAddTC = false;
    publish();
}

std::optional<TimecodeAtTime> ViewerController::timecodeAt(MediaTime time) const {
    if (m_tcTrack)
        return m_tcTrack->at(time);
    if (!m_soundStart || time.scale <= 0)
        return std::nullopt;
    auto at = *m_soundStart;
    const auto& def = at.definition;
    at.frameNumber += std::int64_t(WideInt(time.value) * def.fTimeScale /
                                   (WideInt(time.scale) * def.frameDuration));
    return at;
}

void ViewerController::closeMovie() {
    stopPollerAndPlayer();
    m_player.reset();
    m_tcTrack.reset();
    m_soundStart.reset();
    m_movieSpeed = 0;
    m_display.clearPicture();
    m_state = ViewerState{};
    m_isTCMovie = m_canAddTC = m_anyMovieLoaded = false;
    publish();
}

void ViewerController::buttonsOff() {
    m_state.playOn = m_state.reverseOn = false;
}

void ViewerController::getCurrentTC() {
    if (!m_player)
        return;
    const auto now = timecodeAt(m_player->currentFrameMiddle());
    if (!now)
        return;
    if (auto text = readoutText(now->frameNumber, now->definition))
        m_state.readout = *text;
}

void ViewerController::startPlay(int direction, int waitMilliseconds) {
    m_poller.stop();
    if (!m_player)
        return;
    m_player->play(direction);
    m_movieSpeed = direction;
    m_state.playOn = direction > 0;
    m_state.reverseOn = direction < 0;
    publish();
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::int64_t(waitMilliseconds * 1000 * m_waitScale)));
    m_poller.startUnlessBusy(
        *m_player, [this](MediaTime t) { return timecodeAt(t); },
        [this](const PollerReading& reading) {
            m_state.readout = reading.readout;
            m_state.sliderValue = reading.sliderValue;
            publish();
        });
}

void ViewerController::playMovie() {
    startPlay(1, 120);
}
void ViewerController::playRewMovie() {
    startPlay(-1, 60);
}

void ViewerController::stopMovie() {
    m_poller.stop();
    if (m_player)
        m_player->stop();
    m_movieSpeed = 0;
    getCurrentTC();
    buttonsOff();
    if (m_player)
        m_state.sliderValue = m_player->currentTime();
    publish();
}

void ViewerController::stepbackMovie() {
    stopMovie();
    if (m_player)
        m_player->step(-1);
    stopMovie();
}

void ViewerController::stepfwdMovie() {
    stopMovie();
    if (m_player)
        m_player->step(1);
    stopMovie();
}

void ViewerController::ffwdMovie() {
    stopMovie();
    if (m_player)
        m_player->goToEnd();
    stopMovie();
    if (m_player)
        m_state.sliderValue = m_player->duration();
    publish();
}

void ViewerController::rewMovie() {
    m_state.sliderValue = 0;
    stopMovie();
    if (m_player)
        m_player->goToStart();
    stopMovie();
}

void ViewerController::movieSlider(std::int64_t value) {
    m_poller.stop();
    if (m_player)
        m_player->seek(value);
    m_movieSpeed = 0;
    getCurrentTC();
    buttonsOff();
    m_state.sliderValue = value;
    publish();
}

void ViewerController::addTimecode(const std::string& startTimecode, const std::string& reelId) {
    if (m_shownFile.empty())
        return;
    // The file on screen, not `aFile`: after an abandoned type-code check they differ.
    AddTCTrackOptions options;
    options.moviePath = m_shownFile;
    options.tcValue = startTimecode;
    options.sourceValue = reelId;
    options.tvsys = m_services.prefs.stringOrEmpty(kPrefTVSys);
    options.dfValue = m_services.prefs.boolean(kPrefDF);
    stopPollerAndPlayer();
    m_player.reset(); // the file is not held open while its header changes
    (void)m_qtUtility.ZAN_AddTCTrack(options);
    m_state.addEnabled = false;
    m_state.deleteEnabled = true;
    m_isTCMovie = true;
    m_canAddTC = false;
    openTCMovie(m_shownFile);
}

void ViewerController::deleteTimecode() {
    if (m_shownFile.empty())
        return;
    stopPollerAndPlayer();
    m_player.reset();
    (void)m_qtUtility.ZAN_DeleteTCTrack(m_shownFile);
    m_state.addEnabled = true;
    m_state.deleteEnabled = false;
    openTCMovie(m_shownFile);
}

} // namespace korvel::viewer
