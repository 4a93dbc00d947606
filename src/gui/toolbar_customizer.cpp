// SPDX-License-Identifier: MIT
#include "gui/toolbar_customizer.h"

#include "app/toolbar_model.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace korvel::gui {
namespace {

constexpr int kIdentifierRole = Qt::UserRole;

QListWidgetItem* makeItem(const std::string& identifier) {
    auto* item = new QListWidgetItem(toolbarItemTitle(identifier));
    item->setData(kIdentifierRole, QString::fromStdString(identifier));
    return item;
}

QPushButton* button(const QString& title, QWidget* parent) {
    auto* pushButton = new QPushButton(title, parent);
    pushButton->setAccessibleName(title);
    return pushButton;
}

} // namespace

QString toolbarItemTitle(const std::string& identifier) {
    using namespace toolbarid;
    if (identifier == kSeparator) {
        return QObject::tr("Separator");
    }
    if (identifier == kSpace) {
        return QObject::tr("Space");
    }
    if (identifier == kFlexibleSpace) {
        return QObject::tr("Flexible Space");
    }
    if (identifier == kCustomize) {
        return QObject::tr("Customize");
    }
    return QString::fromUtf8(toolbarItem(identifier).label.data(),
                             static_cast<qsizetype>(toolbarItem(identifier).label.size()));
}

ToolbarCustomizer::ToolbarCustomizer(const std::vector<std::string>& current, QWidget* parent)
    : QDialog(parent), m_allowed(new QListWidget(this)), m_toolbar(new QListWidget(this)) {
    setObjectName(QStringLiteral("toolbarCustomizer"));
    setWindowTitle(tr("Customize Toolbar"));
    setAccessibleName(tr("Customize Toolbar"));
    setWindowModality(Qt::WindowModal);
    m_allowed->setAccessibleName(tr("Available items"));
    m_toolbar->setAccessibleName(tr("Toolbar items"));
    for (std::string_view identifier : toolbarAllowedItemIdentifiers()) {
        m_allowed->addItem(makeItem(std::string(identifier)));
    }
    fill(current);

    QPushButton* add = button(tr("Add"), this);
    QPushButton* remove = button(tr("Remove"), this);
    QPushButton* up = button(tr("Move Up"), this);
    QPushButton* down = button(tr("Move Down"), this);
    QPushButton* defaults = button(tr("Restore Default Set"), this);
    connect(add, &QPushButton::clicked, this, [this] {
        if (const QListWidgetItem* item = m_allowed->currentItem()) {
            addItem(item->data(kIdentifierRole).toString());
        }
    });
    connect(remove, &QPushButton::clicked, this, &ToolbarCustomizer::removeSelected);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(defaults, &QPushButton::clicked, this, &ToolbarCustomizer::restoreDefaults);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(tr("Available items"), this), 0, 0);
    layout->addWidget(new QLabel(tr("Toolbar items"), this), 0, 2);
    layout->addWidget(m_allowed, 1, 0, 6, 1);
    layout->addWidget(add, 1, 1);
    layout->addWidget(remove, 2, 1);
    layout->addWidget(up, 3, 1);
    layout->addWidget(down, 4, 1);
    layout->addWidget(defaults, 5, 1);
    layout->addWidget(m_toolbar, 1, 2, 6, 1);
    layout->addWidget(buttons, 7, 0, 1, 3);
}

void ToolbarCustomizer::fill(const std::vector<std::string>& identifiers) {
    m_toolbar->clear();
    for (const std::string& identifier : identifiers) {
        m_toolbar->addItem(makeItem(identifier));
    }
}

std::vector<std::string> ToolbarCustomizer::identifiers() const {
    std::vector<std::string> result;
    for (int row = 0; row < m_toolbar->count(); ++row) {
        result.push_back(m_toolbar->item(row)->data(kIdentifierRole).toString().toStdString());
    }
    return result;
}

void ToolbarCustomizer::addItem(const QString& identifier) {
    const std::string id = identifier.toStdString();
    // A command appears once; the layout items as often as wanted.
    const bool command = toolbarItem(id).command != Command::None;
    const auto current = identifiers();
    if (command && std::find(current.begin(), current.end(), id) != current.end()) {
        return;
    }
    const int row = m_toolbar->currentRow() < 0 ? m_toolbar->count() : m_toolbar->currentRow() + 1;
    m_toolbar->insertItem(row, makeItem(id));
    m_toolbar->setCurrentRow(row);
}

void ToolbarCustomizer::removeSelected() {
    delete m_toolbar->takeItem(m_toolbar->currentRow());
}

void ToolbarCustomizer::moveSelected(int step) {
    const int row = m_toolbar->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_toolbar->count()) {
        return;
    }
    m_toolbar->insertItem(target, m_toolbar->takeItem(row));
    m_toolbar->setCurrentRow(target);
}

void ToolbarCustomizer::restoreDefaults() {
    std::vector<std::string> defaults;
    for (std::string_view identifier : toolbarDefaultItemIdentifiers()) {
        defaults.emplace_back(identifier);
    }
    fill(defaults);
}

} // namespace korvel::gui
