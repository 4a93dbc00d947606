// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korvel::gui {

/// The full path of a file of the application's data ("help/index.html"): from the source tree
/// when running from the build tree, else from share/korvel-tools of the install prefix. Empty
/// when it is in neither.
QString dataFile(const QString& relativePath);

} // namespace korvel::gui
