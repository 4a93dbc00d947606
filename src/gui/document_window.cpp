// SPDX-License-Identifier: MIT
#include "gui/document_window.h"

#include "gui/data_locations.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace korvel::gui {

DocumentWindow::DocumentWindow(Kind kind, const QString& title, const QString& relativePath,
                               QWidget* parent)
    : QDialog(parent, kind == Kind::Window ? Qt::Window : Qt::Dialog),
      m_browser(new QTextBrowser(this)) {
    setWindowTitle(title);
    setAccessibleName(title);
    m_browser->setAccessibleName(title);
    m_browser->setOpenExternalLinks(true);
    const QString path = dataFile(relativePath);
    if (path.isEmpty()) {
        m_browser->setPlainText(tr("%1 could not be found (%2).").arg(title, relativePath));
    } else {
        m_browser->setSource(QUrl::fromLocalFile(path));
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    if (kind == Kind::Sheet) {
        setWindowModality(Qt::WindowModal);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
        buttons->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
        layout->addWidget(buttons);
    }
    resize(720, 560);
}

} // namespace korvel::gui
