// SPDX-License-Identifier: MIT
#include "viewer_qt/picture_view.h"

#include <QImage>
#include <QPainter>

namespace korvel::viewer_qt {
namespace {

// The caption of each TV system's placeholder ("nomovie25", "nomovie2997", "nomovie24").
QString placeholderCaption(const QString& tvSystem) {
    if (tvSystem == QLatin1String("PAL"))
        return QStringLiteral("PAL\n25 fps");
    if (tvSystem == QLatin1String("NTSC"))
        return QStringLiteral("NTSC\n29.97 fps");
    if (tvSystem == QLatin1String("24 fps"))
        return QStringLiteral("24 fps\nFilm");
    return tvSystem;
}

QPixmap drawCard(const QString& caption, const QString& footer) {
    QPixmap picture(480, 270);
    picture.fill(QColor(24, 24, 28));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 90, 100), 3));
    painter.drawRoundedRect(picture.rect().adjusted(12, 12, -12, -12), 10, 10);
    QFont font = painter.font();
    font.setPointSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(210, 210, 220));
    painter.drawText(picture.rect().adjusted(0, -20, 0, -20), Qt::AlignCenter, caption);
    font.setPointSize(12);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(0, 0, 0, -28), Qt::AlignHCenter | Qt::AlignBottom,
                     footer);
    return picture;
}

QRect fitted(QSize picture, const QRect& area) {
    const QSize size = picture.scaled(area.size(), Qt::KeepAspectRatio);
    return QRect(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
}

} // namespace

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("movieView"));
    setMinimumSize(320, 180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PictureView::setPlaceholder(const QString& tvSystem) {
    m_tvSystem = tvSystem;
    const QString caption = placeholderCaption(tvSystem);
    m_placeholder = caption.isEmpty() ? QPixmap() : drawCard(caption, tr("No movie loaded"));
    m_placeholderDescription =
        caption.isEmpty() ? QString() : tr("No movie loaded (%1)").arg(tvSystem);
    if (!m_frame && m_still.isNull())
        setAccessibleName(m_placeholderDescription);
    update();
}

void PictureView::showFrame(viewer::FramePtr frame) {
    m_frame = std::move(frame);
    m_still = QPixmap();
    setAccessibleName(tr("Movie picture"));
    update();
}

void PictureView::showSoundFile() {
    showPicture(drawCard(tr("Sound file"), tr("No picture: sound only")), tr("Sound file"));
}

void PictureView::clear() {
    showPicture(QPixmap(), m_placeholderDescription);
}

void PictureView::showPicture(const QPixmap& picture, const QString& description) {
    m_frame.reset();
    m_still = picture;
    setAccessibleName(description);
    update();
}

void PictureView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_frame && m_frame->width > 0 && m_frame->height > 0) {
        // The frame's rows are B, G, R, 0xFF: QImage's RGB32 on a little-endian machine.
        const QImage image(m_frame->pixels.data(), m_frame->width, m_frame->height,
                           m_frame->width * 4, QImage::Format_RGB32);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(fitted(image.size(), rect()), image);
        return;
    }
    const QPixmap& picture = m_still.isNull() ? m_placeholder : m_still;
    if (!picture.isNull())
        painter.drawPixmap(fitted(picture.size(), rect()), picture);
}

} // namespace korvel::viewer_qt
