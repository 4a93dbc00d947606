// SPDX-License-Identifier: MIT
#include "viewer_qt/add_timecode_sheet.h"

#include "timecode/timecode.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel::viewer_qt {

AddTimecodeSheet::AddTimecodeSheet(QWidget* parent)
    : QDialog(parent), m_start(new QLineEdit(QStringLiteral("01:00:00:00"), this)),
      m_reel(new QComboBox(this)), m_problem(new QLabel(this)) {
    setObjectName(QStringLiteral("myTCWindow"));
    setWindowTitle(tr("Add Timecode"));
    setAccessibleName(tr("Add Timecode"));
    setWindowModality(Qt::WindowModal);
    m_start->setObjectName(QStringLiteral("addTCField"));
    m_start->setAccessibleName(tr("Start timecode"));
    m_reel->setObjectName(QStringLiteral("addSourceIDField"));
    m_reel->setAccessibleName(tr("Reel ID"));
    m_reel->setEditable(true);
    m_reel->setInsertPolicy(QComboBox::NoInsert);
    auto* buttons = new QDialogButtonBox(this);
    m_add = buttons->addButton(tr("Add"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_start, &QLineEdit::textChanged, this, &AddTimecodeSheet::checkStart);

    auto* fields = new QFormLayout;
    fields->addRow(tr("Start timecode"), m_start);
    fields->addRow(tr("Reel ID"), m_reel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

void AddTimecodeSheet::prepare(const std::vector<std::string>& reelHistory, TvSystem system) {
    m_system = system;
    const QString typed = m_reel->currentText();
    m_reel->clear();
    for (const auto& reel : reelHistory)
        m_reel->addItem(QString::fromStdString(reel));
    m_reel->setEditText(typed);
    checkStart();
}

void AddTimecodeSheet::checkStart() {
    const bool valid = isValidTimeCodeText(startTimecode(), m_system);
    m_add->setEnabled(valid);
    m_problem->setText(valid ? QString() : tr("Not a timecode of this TV system (HH:MM:SS:FF)."));
}

std::string AddTimecodeSheet::startTimecode() const {
    return m_start->text().trimmed().toStdString();
}
std::string AddTimecodeSheet::reelId() const {
    return m_reel->currentText().toStdString();
}

} // namespace korvel::viewer_qt
