// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QTextBrowser;

namespace korvel::gui {

/// An HTML document of the application's data: the user guide in a window of its own, or the
/// release notes in a sheet with a Close button.
class DocumentWindow final : public QDialog {
    Q_OBJECT
  public:
    enum class Kind { Window, Sheet };
    DocumentWindow(Kind kind, const QString& title, const QString& relativePath, QWidget* parent);

    QTextBrowser* browser() const { return m_browser; }

  private:
    QTextBrowser* m_browser;
};

} // namespace korvel::gui
