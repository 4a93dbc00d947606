// SPDX-License-Identifier: MIT
#pragma once

#include "app/preferences_sheet_model.h"

#include <QObject>
#include <string_view>
#include <vector>

class QWidget;

namespace korvel::gui {

/// Widgets for the controls of the preferences model. Any number of widgets may show the same
/// control (the sheet and the option views of the panels); each change goes to the model, which
/// writes the store, and then every widget shows the model again, enabled states included.
class PreferenceControls final : public QObject {
    Q_OBJECT
  public:
    explicit PreferenceControls(PreferencesSheetModel& model, QObject* parent = nullptr);

    PreferencesSheetModel& model() { return m_model; }

    /// A widget for one control, titled as the control.
    QWidget* createControl(std::string_view id, QWidget* parent);
    /// A form of several controls, one per row.
    QWidget* createForm(const std::vector<std::string_view>& ids, QWidget* parent);
    /// The option view a panel names ("ale2fcpView", "fcp2aleView", "TCToolView", "TCTool2",
    /// "BWFView1"), or null for a name without one.
    QWidget* createOptionView(const std::string& name, QWidget* parent);

    /// Every widget shows the model again.
    void refresh();

  private:
    struct Bound {
        std::string id;
        QWidget* widget;
    };
    QWidget* createCheckBox(const ControlDescription& desc, QWidget* parent);
    QWidget* createPopUp(const ControlDescription& desc, QWidget* parent);
    QWidget* createRadio(const ControlDescription& desc, QWidget* parent);
    QWidget* createTextField(const ControlDescription& desc, QWidget* parent);
    void bind(const ControlDescription& desc, QWidget* widget);
    void show(const Bound& bound) const;
    void chosen(std::string_view id, const QString& title);

    PreferencesSheetModel& m_model;
    std::vector<Bound> m_bound;
};

} // namespace korvel::gui
