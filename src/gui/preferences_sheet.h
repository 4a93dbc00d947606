// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

namespace korvel::gui {

class PreferenceControls;

/// The preferences sheet: every preference control, grouped by the command it governs. It is
/// window-modal; closing it (by its button or otherwise) saves the user fields and the TV system.
class PreferencesSheet final : public QDialog {
    Q_OBJECT
  public:
    PreferencesSheet(PreferenceControls& controls, QWidget* parent);

    void done(int result) override;

  private:
    QWidget* createAle2fcpPage();

    PreferenceControls& m_controls;
};

} // namespace korvel::gui
