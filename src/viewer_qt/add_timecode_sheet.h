// SPDX-License-Identifier: MIT
#pragma once

#include "timecode/tv_system.h"

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvel::viewer_qt {

/// The sheet asking for the start timecode and the reel ID of a new timecode track. It is kept
/// between uses, so its fields hold what was typed last time. "Add" is enabled only while the
/// start timecode is valid for the project's TV system.
class AddTimecodeSheet final : public QDialog {
    Q_OBJECT
  public:
    explicit AddTimecodeSheet(QWidget* parent);

    /// Lists the reel-ID history, newest first, keeping the reel text as typed; sets the TV
    /// system the start timecode is checked against.
    void prepare(const std::vector<std::string>& reelHistory, TvSystem system);
    QLineEdit* startField() const { return m_start; }
    QComboBox* reelField() const { return m_reel; }
    QPushButton* addButton() const { return m_add; }
    std::string startTimecode() const;
    std::string reelId() const;

  private:
    void checkStart();

    QLineEdit* m_start;
    QComboBox* m_reel;
    QLabel* m_problem;
    QPushButton* m_add;
    TvSystem m_system = TvSystem::Pal;
};

} // namespace korvel::viewer_qt
