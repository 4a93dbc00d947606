// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLabel;

namespace korvel::gui {

/// The central area of the main window, where the movie viewer goes: until a movie is open it
/// shows the placeholder picture of the TV system and the empty readouts.
class ViewerArea final : public QWidget {
    Q_OBJECT
public:
    explicit ViewerArea(QWidget* parent);

    /// The placeholder picture of "PAL", "NTSC" or "24 fps" (none for any other value).
    void showPlaceholder(const QString& tvSystem);
    QString placeholderTvSystem() const { return m_tvSystem; }

    QLabel* readout() const { return m_readout; }
    QLabel* frameRate() const { return m_frameRate; }
    QLabel* reel() const { return m_reel; }
    QLabel* fileName() const { return m_fileName; }

private:
    QLabel* m_picture;
    QLabel* m_readout;
    QLabel* m_frameRate;
    QLabel* m_reel;
    QLabel* m_fileName;
    QString m_tvSystem;
};

} // namespace korvel::gui
