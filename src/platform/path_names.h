// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace korvel {

/// The folder part of a path: "" when it names no folder, "/" for a file at the root.
std::string folderOf(std::string_view path);

/// The last component of a path.
std::string fileNameOf(std::string_view path);

/// A file name without its extension; a name whose only dot is its first character keeps it.
std::string withoutExtension(std::string_view name);

/// The extension of a path's file name with its dot (".bwf"), or "" when it has none.
std::string extensionOf(std::string_view path);

/// A path as a file panel answers it: absolute, without "." or ".." steps or a final "/"; the
/// path as it is when the current folder cannot be found.
std::string panelPath(const std::string& path);

/// The person's home folder: $HOME, else the account's, else "/".
std::string homeDirectory();

} // namespace korvel
