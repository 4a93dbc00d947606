// SPDX-License-Identifier: MIT
#pragma once

#include "platform/user_interface.h"

#include <QFileDialog>
#include <memory>

namespace korvel::gui {

/// Our own file dialog (not the desktop's), so that an option view fits inside it and a test
/// can answer it. `optionView` (may be null) is placed below the file list and owned by the
/// dialog.
std::unique_ptr<QFileDialog> makeOpenPanel(const OpenPanel& panel, QWidget* parent,
                                           QWidget* optionView);
std::unique_ptr<QFileDialog> makeSavePanel(const SavePanel& panel, QWidget* parent);

/// The name filter of a list of extensions ("Files (*.ALE *.ale)"), or "" for any file.
QString extensionFilter(const std::vector<std::string>& extensions);

} // namespace korvel::gui
