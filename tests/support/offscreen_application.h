// SPDX-License-Identifier: MIT
#pragma once

// The one QApplication of a Qt test program, under the offscreen platform: no display is needed,
// Qt draws into memory. Include it from one source file of the program only.

#include <QApplication>

// fontconfig keeps its caches until the process ends; LeakSanitizer must not count them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace korvel::test {

/// Never destroyed: at exit Qt's own statics may already be gone, and tearing it down then crashes.
inline QApplication& offscreenApplication() {
    static int argc = 1;
    static char name[] = "korvel_qt_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* app = new QApplication(argc, argv);
    return *app;
}

} // namespace korvel::test
