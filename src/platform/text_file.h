// SPDX-License-Identifier: MIT
#pragma once

#include "base/result.h"
#include "base/temporary_file.h"

#include <string>
#include <string_view>

namespace korvel {

/// Bytes of a text file as UTF-8: taken as they are when they are valid UTF-8 (a leading
/// byte-order mark dropped), otherwise decoded as Windows-1252. Never fails.
std::string decodeText(std::string_view bytes);

/// Bytes of a text field as UTF-8: as they are when they are valid UTF-8 (a byte-order mark
/// kept), otherwise decoded as Windows-1252. Never fails.
std::string utf8OrWindows1252(std::string_view bytes);

/// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

/// Reads a whole file as text (see decodeText); fails only when the file cannot be read.
Result<std::string> readTextFile(const std::string& path);

/// Writes `text` to `path` so that the path holds either its old content or the whole new text:
/// a temporary file in the same folder is written, flushed to disk and renamed over the path.
/// A file that exists keeps its permissions.
Status writeTextFileAtomically(const std::string& path, std::string_view text);

/// The same, but with ExistingTarget::Keep a file found at `path` when the text is complete is
/// left as it is and the write fails.
Status writeTextFileInPlaceOf(const std::string& path, std::string_view text,
                              ExistingTarget existing);

} // namespace korvel
