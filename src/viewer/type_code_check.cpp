// SPDX-License-Identifier: MIT
#include "viewer/type_code_check.h"

#include "platform/path_names.h"
#include "viewer/viewer_preferences.h"

namespace korvel::viewer {
namespace {

constexpr auto kWave = FourCharCode::of("WAVE");
constexpr auto kCreator = FourCharCode::of("TVOD");

bool isWave(const FileAttributes& attributes, const std::string& path) {
    const auto code = attributes.typeCode(path);
    return code && *code == kWave;
}

} // namespace

bool needsTypeCodeCheck(std::string_view path) {
    const auto ext = extensionOf(path);
    return ext == ".BWF" || ext == ".bwf";
}

bool isSoundFile(std::string_view path) {
    const auto ext = extensionOf(path);
    return needsTypeCodeCheck(path) || ext == ".wav" || ext == ".WAV";
}

bool checkWaveTypeCode(const std::string& path, FileAttributes& attributes,
                       const PreferenceStore& prefs, UserInterface& ui, const LogEntry& log) {
    if (!isWave(attributes, path) && prefs.boolean(kPrefBWFAutoCode))
        attributes.setTypeAndCreator(path, kWave, kCreator);
    if (isWave(attributes, path))
        return true;
    const std::string name = fileNameOf(path);
    ui.beep();
    log("The BWF File: " + path + " lacks a Wave Type Code.");
    const int answer = ui.runAlert(
        {"Unable to read file!",
         "The file: " + name +
             " can't be recognized by QuickTime. Do you want to change the Type Code of the "
             "file so QuickTime can read it?",
         "Change Type Code", "Abort", ""});
    if (answer != kAlertDefault)
        return false;
    if (!attributes.setTypeAndCreator(path, kWave, kCreator)) {
        ui.beep();
        log("Unable to set Type Code of file: " + path + ".");
        ui.runAlert({"Unable to set Type Code!",
                     "The Type Code of file: " + name +
                         " can't be set. If your files are located on a non-writeable disk (eg. CD "
                         "or DVD), please "
                         "copy them to a local hard drive and try again.",
                     "Abort", "", ""});
        return false;
    }
    log("Changed the Type Code of file: " + path + " to Wave.");
    return true;
}

} // namespace korvel::viewer
