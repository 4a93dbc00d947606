// SPDX-License-Identifier: MIT
#include "gui/preferences_sheet.h"

#include "gui/preference_controls.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace korvel::gui {

PreferencesSheet::PreferencesSheet(PreferenceControls& controls, QWidget* parent)
    : QDialog(parent), m_controls(controls) {
    setObjectName(QStringLiteral("prefsWindow"));
    setWindowTitle(tr("Preferences"));
    setAccessibleName(tr("Preferences"));
    setWindowModality(Qt::WindowModal);

    auto* tabs = new QTabWidget(this);
    tabs->addTab(controls.createForm({"setTVSysButton", "DFButton"}, tabs), tr("Video"));
    tabs->addTab(
        controls.createForm({"tcColumnSelector", "movieExtension", "mediaFilesVersionButton",
                             "overwriteTC", "convertTo24Tc", "qtcWindowsButton"},
                            tabs),
        tr("Batch Add TC"));
    tabs->addTab(createAle2fcpPage(), tr("ale2fcp"));
    tabs->addTab(controls.createForm({"fcp2aleClips", "fcp2aleSperateBins"}, tabs), tr("fcp2ale"));
    tabs->addTab(
        controls.createForm({"BWFMediaConversion", "button24to16", "BWFSampleRate",
                             "BWFMergeTracks", "buttonMergeMixdown", "BWFfpsRate", "BWFDFTC",
                             "BWFTapeIDSelect", "BWFAutoCode", "myCreateFCPBLButton",
                             "BatchListHeaderLanguish", "BWFXML", "BWFXMLFormat"},
                            tabs),
        tr("bwf2qt"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(tr("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

QWidget* PreferencesSheet::createAle2fcpPage() {
    QWidget* page = m_controls.createForm(
        {"buttonModifyNameData", "mediaFilesVersionButton", "ale2fcpWindowsOption", "aleCopyName",
         "ale2fcp24TCSelectField", "ale2fcpFCPvers", "alePrefUserTxt1", "alePrefUserTxt2",
         "alePrefUserTxt3", "alePrefUserTxt4"},
        this);
    auto* restore = new QPushButton(tr("Default"), page);
    restore->setAccessibleName(tr("Default"));
    restore->setToolTip(tr("Set the four user fields to \"[empty]\""));
    connect(restore, &QPushButton::clicked, this, [this] {
        m_controls.model().restoreDefaultUserFields();
        m_controls.refresh();
    });
    page->layout()->addWidget(restore);
    return page;
}

void PreferencesSheet::done(int result) {
    m_controls.model().savePrefs();
    QDialog::done(result);
}

} // namespace korvel::gui
