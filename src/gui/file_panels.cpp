// SPDX-License-Identifier: MIT
#include "gui/file_panels.h"

#include "platform/path_names.h"

#include <QGridLayout>

namespace korvel::gui {
namespace {

QString startFolderOrHome(const std::string& folder) {
    return QString::fromStdString(folder.empty() ? homeDirectory() : folder);
}

std::unique_ptr<QFileDialog> makeDialog(const std::string& title, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString::fromStdString(title));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAccessibleName(QString::fromStdString(title));
    return dialog;
}

} // namespace

QString extensionFilter(const std::vector<std::string>& extensions) {
    if (extensions.empty()) {
        return {};
    }
    QStringList patterns;
    for (const std::string& extension : extensions) {
        patterns << QStringLiteral("*.") + QString::fromStdString(extension);
    }
    return QObject::tr("Files (%1)").arg(patterns.join(QLatin1Char(' ')));
}

std::unique_ptr<QFileDialog> makeOpenPanel(const OpenPanel& panel, QWidget* parent,
                                           QWidget* optionView) {
    auto dialog = makeDialog(panel.title, parent);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (panel.chooseFolders && !panel.chooseFiles) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog->setFileMode(panel.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                          : QFileDialog::ExistingFile);
        // Files known by their type code alone have no matching extension: "All Files" finds them.
        if (const QString filter = extensionFilter(panel.allowedExtensions); !filter.isEmpty()) {
            dialog->setNameFilters({filter, QObject::tr("All Files (*)")});
        }
    }
    if (!panel.prompt.empty()) {
        dialog->setLabelText(QFileDialog::Accept, QString::fromStdString(panel.prompt));
    }
    dialog->setDirectory(startFolderOrHome(panel.startFolder));
    if (!panel.preselectedFile.empty()) {
        dialog->selectFile(QString::fromStdString(panel.preselectedFile));
    }
    if (optionView) {
        auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
        grid->addWidget(optionView, grid->rowCount(), 0, 1, grid->columnCount());
    }
    return dialog;
}

std::unique_ptr<QFileDialog> makeSavePanel(const SavePanel& panel, QWidget* parent) {
    auto dialog = makeDialog(panel.title, parent);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    if (!panel.requiredExtension.empty()) {
        dialog->setDefaultSuffix(QString::fromStdString(panel.requiredExtension));
        dialog->setNameFilter(extensionFilter({panel.requiredExtension}));
    }
    dialog->setDirectory(startFolderOrHome(panel.startFolder));
    if (!panel.proposedName.empty()) {
        dialog->selectFile(QString::fromStdString(panel.proposedName));
    }
    return dialog;
}

} // namespace korvel::gui
