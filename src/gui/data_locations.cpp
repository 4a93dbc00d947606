// SPDX-License-Identifier: MIT
#include "gui/data_locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace korvel::gui {

QString dataFile(const QString& relativePath) {
    const QStringList folders = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/korvel-tools"),
        QStringLiteral(KORVEL_SOURCE_DATA_DIR),
    };
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(relativePath);
        if (QFileInfo::exists(path)) {
            return QDir::cleanPath(path);
        }
    }
    return {};
}

} // namespace korvel::gui
