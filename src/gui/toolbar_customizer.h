// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace korvel::gui {

/// "Customize Toolbar...": the allowed items on one side, the toolbar's items on the other;
/// add, remove, move up and down, or go back to the default set.
class ToolbarCustomizer final : public QDialog {
    Q_OBJECT
  public:
    ToolbarCustomizer(const std::vector<std::string>& current, QWidget* parent);

    std::vector<std::string> identifiers() const;
    void addItem(const QString& identifier);
    void removeSelected();
    void moveSelected(int step);
    void restoreDefaults();

  private:
    void fill(const std::vector<std::string>& identifiers);

    QListWidget* m_allowed;
    QListWidget* m_toolbar;
};

/// The text a person sees for an identifier (a command's label, or the layout item's name).
QString toolbarItemTitle(const std::string& identifier);

} // namespace korvel::gui
