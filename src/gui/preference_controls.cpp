// SPDX-License-Identifier: MIT
#include "gui/preference_controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <map>

namespace korvel::gui {
namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What each panel shows beside its files: the preferences that govern its command.
const std::map<std::string, std::vector<std::string_view>, std::less<>>& optionViewControls() {
    static const std::map<std::string, std::vector<std::string_view>, std::less<>> views = {
        {"ale2fcpView",
         {"buttonModifyNameData", "mediaFilesVersionButton", "ale2fcpWindowsOption", "aleCopyName",
          "ale2fcp24TCSelectField", "ale2fcpFCPvers"}},
        {"fcp2aleView", {"fcp2aleClips", "fcp2aleSperateBins"}},
        {"TCToolView",
         {"tcColumnSelector", "movieExtension", "mediaFilesVersionButton", "qtcWindowsButton"}},
        {"TCTool2", {"overwriteTC", "convertTo24Tc"}},
        {"BWFView1",
         {"BWFMediaConversion", "button24to16", "BWFSampleRate", "BWFMergeTracks",
          "buttonMergeMixdown", "BWFfpsRate", "BWFTapeIDSelect", "BWFAutoCode",
          "myCreateFCPBLButton", "BatchListHeaderLanguish", "BWFXML", "BWFXMLFormat"}},
    };
    return views;
}

} // namespace

PreferenceControls::PreferenceControls(PreferencesSheetModel& model, QObject* parent)
    : QObject(parent), m_model(model) {}

QWidget* PreferenceControls::createControl(std::string_view id, QWidget* parent) {
    const ControlDescription* desc = PreferencesSheetModel::control(id);
    QWidget* widget = nullptr;
    switch (desc->kind) {
    case ControlKind::CheckBox:
        widget = createCheckBox(*desc, parent);
        break;
    case ControlKind::PopUp:
        widget = createPopUp(*desc, parent);
        break;
    case ControlKind::Radio:
        widget = createRadio(*desc, parent);
        break;
    case ControlKind::TextField:
        widget = createTextField(*desc, parent);
        break;
    }
    widget->setObjectName(qText(desc->id));
    widget->setAccessibleName(qText(desc->title));
    bind(*desc, widget);
    return widget;
}

QWidget* PreferenceControls::createForm(const std::vector<std::string_view>& ids, QWidget* parent) {
    auto* form = new QWidget(parent);
    auto* layout = new QFormLayout(form);
    for (std::string_view id : ids) {
        QWidget* control = createControl(id, form);
        if (PreferencesSheetModel::control(id)->kind == ControlKind::CheckBox) {
            layout->addRow(control);
        } else {
            layout->addRow(qText(PreferencesSheetModel::control(id)->title), control);
        }
    }
    return form;
}

QWidget* PreferenceControls::createOptionView(const std::string& name, QWidget* parent) {
    const auto& views = optionViewControls();
    const auto found = views.find(name);
    if (found == views.end()) {
        return nullptr;
    }
    QWidget* view = createForm(found->second, parent);
    view->setObjectName(QString::fromStdString(name));
    return view;
}

QWidget* PreferenceControls::createCheckBox(const ControlDescription& desc, QWidget* parent) {
    auto* box = new QCheckBox(qText(desc.title), parent);
    connect(box, &QCheckBox::toggled, this, [this, id = desc.id](bool on) {
        m_model.setChecked(id, on);
        refresh();
    });
    return box;
}

QWidget* PreferenceControls::createPopUp(const ControlDescription& desc, QWidget* parent) {
    auto* popUp = new QComboBox(parent);
    for (std::string_view item : desc.items) {
        popUp->addItem(qText(item));
    }
    connect(popUp, &QComboBox::textActivated, this,
            [this, id = desc.id](const QString& title) { chosen(id, title); });
    return popUp;
}

QWidget* PreferenceControls::createRadio(const ControlDescription& desc, QWidget* parent) {
    auto* matrix = new QWidget(parent);
    auto* layout = new QHBoxLayout(matrix);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(matrix);
    for (std::string_view item : desc.items) {
        auto* cell = new QRadioButton(qText(item), matrix);
        cell->setAccessibleName(qText(item));
        group->addButton(cell);
        layout->addWidget(cell);
        connect(cell, &QRadioButton::clicked, this,
                [this, id = desc.id, title = qText(item)] { chosen(id, title); });
    }
    return matrix;
}

QWidget* PreferenceControls::createTextField(const ControlDescription& desc, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    connect(field, &QLineEdit::textEdited, this,
            [this, id = desc.id](const QString& text) { m_model.setText(id, text.toStdString()); });
    return field;
}

void PreferenceControls::chosen(std::string_view id, const QString& title) {
    m_model.choose(id, title.toStdString());
    refresh();
}

void PreferenceControls::bind(const ControlDescription& desc, QWidget* widget) {
    m_bound.push_back({std::string(desc.id), widget});
    connect(widget, &QObject::destroyed, this, [this, widget] {
        std::erase_if(m_bound, [widget](const Bound& bound) { return bound.widget == widget; });
    });
    show(m_bound.back());
}

void PreferenceControls::refresh() {
    for (const Bound& bound : m_bound) {
        show(bound);
    }
}

void PreferenceControls::show(const Bound& bound) const {
    const ControlState& state = m_model.state(bound.id);
    const QString value = QString::fromStdString(state.value);
    const QSignalBlocker blocker(bound.widget);
    bound.widget->setEnabled(state.enabled);
    if (auto* box = qobject_cast<QCheckBox*>(bound.widget)) {
        box->setChecked(state.checked);
    } else if (auto* popUp = qobject_cast<QComboBox*>(bound.widget)) {
        popUp->setCurrentText(value);
    } else if (auto* field = qobject_cast<QLineEdit*>(bound.widget)) {
        field->setText(value);
    } else {
        for (auto* cell : bound.widget->findChildren<QRadioButton*>()) {
            cell->setChecked(cell->text() == value);
        }
    }
}

} // namespace korvel::gui
