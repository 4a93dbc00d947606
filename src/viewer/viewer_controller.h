// SPDX-License-Identifier: MIT
#pragma once

// The viewer: opening a movie or a BWF/WAV file, the transport, the timecode readout and the
// enabling of the timecode commands. It runs on the display's thread; only the running readout
// comes from the poller's thread, handed over through `post`.

#include "movie/qt_utility.h"
#include "platform/console.h"
#include "platform/file_attributes.h"
#include "platform/preference_store.h"
#include "platform/user_interface.h"
#include "viewer/player.h"
#include "viewer/timecode_poller.h"
#include "viewer/timecode_readout.h"
#include "viewer/timecode_track_reader.h"
#include "viewer/type_code_check.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace korvel::viewer {

/// What the display shows.
struct ViewerState {
    std::string readout = kNothingLoaded;
    std::string reel;
    std::string frameRate = "0";
    std::string fileName = "no movie loaded";
    std::int64_t sliderMaximum = 0;
    std::int64_t sliderValue = 0;
    bool playOn = false;
    bool reverseOn = false;
    bool addEnabled = false;
    bool deleteEnabled = false;
    bool closeEnabled = false;
    /// A sound file is loaded: the picture says so.
    bool soundFile = false;
};

class ViewerDisplay {
  public:
    virtual ~ViewerDisplay() = default;
    virtual void stateChanged(const ViewerState& state) = 0;
    /// A picture to show; may be called from any thread (the display hands it over).
    virtual void showFrame(FramePtr frame) = 0;
    /// No picture: nothing loaded, or a sound file.
    virtual void clearPicture() = 0;
};

struct ViewerServices {
    UserInterface& ui;
    PreferenceStore& prefs;
    FileAttributes& attributes;
    Console& console;
    LogEntry log;
    PostToDisplay post;
};

/// Makes the player of a file, or says why it cannot.
using PlayerFactory =
    std::function<Result<std::unique_ptr<Player>>(const std::string& path, FrameSink sink)>;

class ViewerController {
  public:
    ViewerController(ViewerServices services, PlayerFactory makePlayer, ViewerDisplay& display);
    ~ViewerController();

    /// The open panel, then opening (false: cancelled, abandoned or unreadable).
    bool openFile();
    /// Opening a file handed over by the platform.
    bool openPath(const std::string& path);
    void closeMovie();

    void playMovie();
    void playRewMovie();
    void stopMovie();
    void stepbackMovie();
    void stepfwdMovie();
    void ffwdMovie();
    void rewMovie();
    void movieSlider(std::int64_t value);
    /// The one-shot readout of the frame on screen.
    void getCurrentTC();

    /// Adds a timecode track to the file on screen and reloads it; records the reel ID.
    void addTimecode(const std::string& startTimecode, const std::string& reelId);
    /// Deletes the timecode track of the file on screen and reloads it.
    void deleteTimecode();

    const ViewerState& state() const { return m_state; }
    bool anyMovieLoaded() const { return m_anyMovieLoaded; }
    bool isTCMovie() const { return m_isTCMovie; }
    bool canAddTC() const { return m_canAddTC; }
    int movieSpeed() const { return m_movieSpeed; }
    const std::string& aFile() const { return m_aFile; }
    const std::string& shownFile() const { return m_shownFile; }
    TimecodePoller& poller() { return m_poller; }
    Player* player() { return m_player.get(); }

    /// Waits after starting play before the poller starts (0.12 s forward, 0.06 s reverse);
    /// tests shorten it.
    void setPlayWaitScale(double scale) { m_waitScale = scale; }

  private:
    bool openTCMovie(const std::string& path);
    void readTimecodeState();
    void showBwfInformation();
    void startPlay(int direction, int waitMilliseconds);
    void stopPollerAndPlayer();
    void buttonsOff();
    void publish() { m_display.stateChanged(m_state); }
    std::optional<TimecodeAtTime> timecodeAt(MediaTime time) const;
    bool openChecked(const std::string& path);

    ViewerServices m_services;
    PlayerFactory m_makePlayer;
    ViewerDisplay& m_display;
    QT_Utility m_qtUtility;
    TimecodePoller m_poller;
    std::unique_ptr<Player> m_player;
    std::optional<TimecodeTrackReader> m_tcTrack;
    std::optional<TimecodeAtTime> m_soundStart;
    ViewerState m_state;
    std::string m_aFile;
    std::string m_shownFile;
    bool m_anyMovieLoaded = false;
    bool m_isTCMovie = false;
    bool m_canAddTC = false;
    int m_movieSpeed = 0;
    double m_waitScale = 1.0;
};

} // namespace korvel::viewer
