// SPDX-License-Identifier: MIT
#pragma once

// Small movies made by ffmpeg for the viewer's tests, and a controller wired to test services.

#include "platform/console.h"
#include "platform/preference_store.h"
#include "platform/scripted_user_interface.h"
#include "support/memory_file_attributes.h"
#include "support/outside_tools.h"
#include "viewer/media_opener.h"
#include "viewer/viewer_controller.h"

#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>

namespace korvel::viewer::test {

/// A movie of `seconds` of ffmpeg's 64x36 test picture at `rate`, coded by ffmpeg with
/// `videoOptions`; empty when ffmpeg is missing or refuses.
inline std::string makeMovieCodedWith(const std::filesystem::path& folder, const std::string& name,
                                      const std::string& rate, double seconds,
                                      const std::string& videoOptions) {
    if (!korvel::test::haveProgram("ffmpeg"))
        return {};
    std::filesystem::create_directories(folder);
    const auto path = (folder / name).string();
    const std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=size=64x36:rate=" + rate +
                                ":duration=" + std::to_string(seconds) + " " + videoOptions + " " +
                                korvel::test::shellQuote(path);
    return korvel::test::runCommand(command).status == 0 ? path : std::string();
}

/// H.264 with B-frames and a key frame every `gop` frames.
inline std::string makeTestMovie(const std::filesystem::path& folder, const std::string& name,
                                 const std::string& rate, int gop, double seconds) {
    return makeMovieCodedWith(folder, name, rate, seconds,
                              "-c:v libx264 -g " + std::to_string(gop) + " -keyint_min " +
                                  std::to_string(gop) + " -bf 2 -pix_fmt yuv420p");
}

class SilentConsole final : public Console {
  public:
    void diagnostic(std::string_view) override {}
};

/// Remembers the state; readings from the poller wait in a queue until the test runs them, as a
/// display thread would. The pictures are checked by the player's own tests.
class RecordingDisplay final : public ViewerDisplay {
  public:
    void stateChanged(const ViewerState& s) override { state = s; }
    void showFrame(FramePtr) override {}
    void clearPicture() override {}
    void post(std::function<void()> f) {
        std::lock_guard lock(mutex);
        queue.push_back(std::move(f));
    }
    void runPosted() {
        std::deque<std::function<void()>> now;
        {
            std::lock_guard lock(mutex);
            now.swap(queue);
        }
        for (auto& f : now)
            f();
    }

    ViewerState state;
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
};

struct ControllerRig {
    ScriptedUserInterface ui;
    MemoryPreferenceStore prefs;
    korvel::test::MemoryFileAttributes attributes;
    SilentConsole console;
    std::vector<std::string> log;
    RecordingDisplay display;
    ViewerController controller{
        ViewerServices{ui, prefs, attributes, console,
                       [this](std::string_view e) { log.emplace_back(e); },
                       [this](std::function<void()> f) { display.post(std::move(f)); }},
        [this](const std::string& path, FrameSink sink) -> Result<std::unique_ptr<Player>> {
            auto player = openMediaPlayer(path, std::move(sink), {});
            if (!player)
                return player.error();
            return std::unique_ptr<Player>(std::move(*player));
        },
        display};
};

} // namespace korvel::viewer::test
