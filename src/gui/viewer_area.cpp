// SPDX-License-Identifier: MIT
#include "gui/viewer_area.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace korvel::gui {
namespace {

// The caption of each TV system's placeholder ("nomovie25", "nomovie2997", "nomovie24").
QString placeholderCaption(const QString& tvSystem) {
    if (tvSystem == QLatin1String("PAL")) {
        return QStringLiteral("PAL\n25 fps");
    }
    if (tvSystem == QLatin1String("NTSC")) {
        return QStringLiteral("NTSC\n29.97 fps");
    }
    if (tvSystem == QLatin1String("24 fps")) {
        return QStringLiteral("24 fps\nFilm");
    }
    return {};
}

QPixmap drawPlaceholder(const QString& caption) {
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
                     QObject::tr("No movie loaded"));
    return picture;
}

QLabel* readoutLabel(const QString& text, const QString& description, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // No fixed accessible name: a screen reader reads the label's current text.
    label->setAccessibleDescription(description);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

ViewerArea::ViewerArea(QWidget* parent)
    : QWidget(parent), m_picture(new QLabel(this)),
      m_readout(readoutLabel(QStringLiteral("--:--:--:--"), tr("Timecode"), this)),
      m_frameRate(readoutLabel(QStringLiteral("0"), tr("Frame rate"), this)),
      m_reel(readoutLabel(QString(), tr("Reel"), this)),
      m_fileName(readoutLabel(tr("no movie loaded"), tr("File name"), this)) {
    setObjectName(QStringLiteral("movieView"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(320, 180);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSize(20);
    m_readout->setFont(mono);
    m_readout->setObjectName(QStringLiteral("putTC"));
    m_frameRate->setObjectName(QStringLiteral("fps"));
    m_reel->setObjectName(QStringLiteral("putReelID"));
    m_fileName->setObjectName(QStringLiteral("myMovieFileName"));

    auto* fields = new QFormLayout;
    fields->addRow(tr("Timecode"), m_readout);
    fields->addRow(tr("Frame rate"), m_frameRate);
    fields->addRow(tr("Reel"), m_reel);
    fields->addRow(tr("File"), m_fileName);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_picture, 1);
    layout->addLayout(fields);
}

void ViewerArea::showPlaceholder(const QString& tvSystem) {
    m_tvSystem = tvSystem;
    const QString caption = placeholderCaption(tvSystem);
    if (caption.isEmpty()) {
        m_picture->clear();
        m_picture->setAccessibleName(QString());
        return;
    }
    m_picture->setPixmap(drawPlaceholder(caption));
    m_picture->setAccessibleName(tr("No movie loaded (%1)").arg(tvSystem));
}

} // namespace korvel::gui
