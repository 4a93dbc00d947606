// SPDX-License-Identifier: MIT
#pragma once

#include "viewer/frame.h"

#include <QPixmap>
#include <QWidget>

namespace korvel::viewer_qt {

/// The picture of the viewer: the frame on screen scaled to fit with its aspect kept, the
/// placeholder of the TV system when nothing is loaded, or a picture saying a sound file is open.
class PictureView final : public QWidget {
    Q_OBJECT
  public:
    explicit PictureView(QWidget* parent);

    /// The placeholder of "PAL", "NTSC" or "24 fps" (none for any other value).
    void setPlaceholder(const QString& tvSystem);
    QString placeholderTvSystem() const { return m_tvSystem; }
    void showFrame(viewer::FramePtr frame);
    void showSoundFile();
    /// Back to the placeholder.
    void clear();
    bool showsFrame() const { return m_frame != nullptr; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void showPicture(const QPixmap& picture, const QString& description);

    viewer::FramePtr m_frame;
    QPixmap m_still;
    QPixmap m_placeholder;
    QString m_placeholderDescription;
    QString m_tvSystem;
};

} // namespace korvel::viewer_qt
