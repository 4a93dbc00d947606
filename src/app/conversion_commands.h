// SPDX-License-Identifier: MIT
#pragma once

#include "app/log_controller.h"
#include "base/result.h"
#include "platform/file_attributes.h"
#include "platform/preference_store.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace korvel {

/// What the conversion commands work with. The file access defaults to the platform's text
/// files (UTF-8 or Windows-1252 in, atomic writes out); tests may replace it.
struct ConversionCommandContext {
    UserInterface& ui;
    PreferenceStore& prefs;
    FileAttributes& fileAttributes;
    KTLogController& log;
    std::function<Result<std::string>(const std::string& path)> readText;
    std::function<Status(const std::string& path, std::string_view text)> writeText;
};

/// How a command ended: it did its work, the person cancelled a panel, or it stopped on an
/// alert or a failure (already reported to the person).
enum class CommandOutcome { Done, Cancelled, Failed };

/// 28 when "mediaFileVersion" is "QuickTime 4 or later", otherwise 27.
std::int32_t clipBaseNameLength(const PreferenceStore& prefs);

/// ALE shot log to FCP batch list: open panel, conversion with the stored options, save panel,
/// type 'TEXT' and creator 'KeyG' on the saved list.
CommandOutcome clickale2fcp(ConversionCommandContext& context);

/// FCP batch list to ALE shot logs: refused under "24 fps"; open panel, then the conversion,
/// which offers each ALE in its own save panel.
CommandOutcome clickfcp2ale(ConversionCommandContext& context);

} // namespace korvel
