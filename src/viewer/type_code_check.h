// SPDX-License-Identifier: MIT
#pragma once

#include "platform/file_attributes.h"
#include "platform/preference_store.h"
#include "platform/user_interface.h"

#include <functional>
#include <string>
#include <string_view>

namespace korvel::viewer {

using LogEntry = std::function<void(std::string_view)>;

/// Makes sure a BWF file carries the 'WAVE' type code the movie toolkit reads it by: silently
/// when "BWFAutoCode" is on, else after asking. False when the person abandons it or the code
/// cannot be set. Where a file system keeps no type codes the setter fails and the person is told
/// so with the same alert.
bool checkWaveTypeCode(const std::string& path, FileAttributes& attributes,
                       const PreferenceStore& prefs, UserInterface& ui, const LogEntry& log);

/// The extension tests of opening: "BWF"/"bwf" need the type-code check; these and "wav"/"WAV"
/// are sound files whose BWF information is shown.
bool needsTypeCodeCheck(std::string_view path);
bool isSoundFile(std::string_view path);

} // namespace korvel::viewer
