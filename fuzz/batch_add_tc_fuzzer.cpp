// SPDX-License-Identifier: MIT
// ALE logs from outside through Batch Add TC: whatever the bytes, the batch either stops after
// exactly one alert, or ends with a summary whose counts add up to its clips, and no movie outside
// the media folder is changed. The movies are empty files in a folder of the fuzzer's own, one of
// them ("Out.mov") a symbolic link to a file beside the folder; their tracks are kept in memory.
#include "movie/batch_add_tc.h"
#include "movie/qt_utility.h"
#include "platform/scripted_user_interface.h"
#include "platform/text_file.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace korvel;

namespace {

constexpr std::string_view kTvSystems[] = {"PAL", "NTSC", "24 fps", "SECAM"};
constexpr std::string_view kTcFields[] = {"Start", "TC 24 Start", "Auxiliary TC1", "Name"};
constexpr std::string_view kExtensions[] = {".mov", "None", "", "mov"};

const std::string& mediaFolder() {
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() /
                          ("korvel_batch_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        for (const char* name : {"A001.mov", "A002.mov", "A001", "B.mov", "C 1.mov"}) {
            std::ofstream(path / name) << "movie";
        }
        const std::filesystem::path outside = path.string() + "_outside.mov";
        std::ofstream(outside) << "movie";
        std::error_code error;
        std::filesystem::create_symlink(outside, path / "Out.mov", error);
        return path.string();
    }();
    return folder;
}

// A path the batch may change: a plain file name in the media folder, not the link leading out.
bool insideMediaFolder(const std::string& path) {
    const std::string folder = mediaFolder() + "/";
    if (path.compare(0, folder.size(), folder) != 0) {
        return false;
    }
    const std::string_view name = std::string_view(path).substr(folder.size());
    return !name.empty() && name != "." && name != ".." && name != "Out.mov" &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t choice = data[0];
    const std::string text =
        decodeText(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

    std::map<std::string, bool> tracks;
    TimecodeTrackOperations operations;
    operations.checkTCTrack = [&tracks](const std::string& path) { return tracks[path]; };
    operations.deleteTCTrack = [&tracks](const std::string& path) -> Status {
        if (!insideMediaFolder(path)) {
            std::abort();
        }
        tracks[path] = false;
        return {};
    };
    operations.addTCTrack = [&tracks](const std::string& path, std::string_view tc,
                                      std::string_view reel, std::string_view, bool) -> Status {
        if (tc.size() != 11 || reel.size() > kMaxReelIdBytes) {
            std::abort(); // only valid timecodes and storable reels reach a movie
        }
        if (!insideMediaFolder(path)) {
            std::abort();
        }
        if (path.find("B.mov") != std::string::npos) {
            return makeError("refused");
        }
        tracks[path] = true;
        return {};
    };

    SetMovieTCFromAleOptions options;
    options.alePath = "/fuzz/log.ale";
    options.mediaFolder = mediaFolder();
    options.tvsys = std::string(kTvSystems[choice % 4]);
    options.tcField = std::string(kTcFields[(choice / 4) % 4]);
    options.movieExtension = std::string(kExtensions[(choice / 16) % 4]);
    options.overwrite = (choice & 0x40) != 0;
    options.convertTo24TC = (choice & 0x80) != 0;
    options.windowsText = (choice & 0x20) != 0;
    options.baseNameLength = (choice & 0x08) != 0 ? 28 : 3;

    ScriptedUserInterface ui;
    BatchAddTc batch(
        ui, [](std::string_view) {}, operations);
    const auto summary = batch.setMovieTCFromAleText(text, options);
    if (!summary) {
        if (ui.alerts().size() != 1 || !ui.summaryLines().empty()) {
            std::abort();
        }
        return 0;
    }
    const int counted = summary->added + summary->skipped + summary->missed + summary->failed;
    if (!ui.alerts().empty() || counted != summary->clips ||
        ui.summaryLines().size() != (summary->failed != 0 ? 5u : 4u)) {
        std::abort();
    }
    return 0;
}
