// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <string>

namespace korvel::gui {

/// What korvel-tools is asked on its command line.
struct CommandLine {
    /// The preference file chosen with --prefs; empty: $KORVEL_PREFS, else the shared store.
    std::string prefsFile;
    /// Files to open in the viewer, as absolute paths: the path is remembered as the last movie,
    /// and the open panel starts in its folder later, wherever the app was started from.
    QStringList files;
};

/// The program's name comes first. --help and --version print their text and end the program.
CommandLine parseCommandLine(const QStringList& arguments);

} // namespace korvel::gui
