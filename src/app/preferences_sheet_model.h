// SPDX-License-Identifier: MIT
#pragma once

#include "platform/preference_store.h"

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

/// How a control of the preferences sheet is shown.
enum class ControlKind {
    CheckBox,  // on or off
    PopUp,     // one title of a list
    Radio,     // one cell of a matrix; a cell's tag is its index in the list
    TextField, // free text
};

/// One control of the preferences sheet: its name, the title a person sees, the key it writes
/// (empty for the TV system, which is written on close) and its items in order.
struct ControlDescription {
    std::string_view id;
    std::string_view title;
    ControlKind kind;
    std::string_view key;
    std::vector<std::string_view> items;
};

/// What a control shows: the chosen title (pop-ups, radios, text fields) or the check state.
struct ControlState {
    std::string value;
    bool checked = false;
    bool enabled = true;
};

/// The preferences sheet without a display: what every control shows and whether it is enabled,
/// the start-up loading, the handlers (each writes its key at once) and the saving on close. The
/// TV system lives here (`tvSys`) until the sheet closes.
class PreferencesSheetModel {
  public:
    explicit PreferencesSheetModel(PreferenceStore& store);

    /// Every control, in the order the sheet lays them out.
    static std::span<const ControlDescription> controls();
    /// The control named `id`, or nullptr.
    static const ControlDescription* control(std::string_view id);

    const ControlState& state(std::string_view id) const;
    const std::string& tvSys() const { return m_tvSys; }

    /// Start-up, once "TVSys" is settled: the TV system from the store, every other control
    /// loaded in the order of the loading steps, then the 24 fps rules.
    void loadFromStore();

    /// A pop-up or radio choice (the TV system included), by the item's title.
    void choose(std::string_view id, std::string_view title);
    /// A check box turned on or off.
    void setChecked(std::string_view id, bool on);
    /// The text of a user field; stored when the sheet closes.
    void setText(std::string_view id, std::string text);
    /// The "Default" button of the user fields: "[empty]" stored under all four, and shown.
    void restoreDefaultUserFields();
    /// Closing the sheet: the four user fields and the TV system stored, the store flushed.
    void savePrefs();

  private:
    void show(std::string_view id, std::string_view value);
    void showChecked(std::string_view id, std::string_view key);
    void enable(std::string_view id, bool enabled);
    ControlState& mutableState(std::string_view id);
    void loadConversionControls();
    void loadBwfControls();
    void loadRemainingControls();
    void apply24FpsRules();
    void applyTVSysSwitch();
    void applyTcColumnRule(std::string_view title);
    void applyMediaConversionRule();
    void showStoredMediaConversion();

    PreferenceStore& m_store;
    std::string m_tvSys;
    std::map<std::string, ControlState, std::less<>> m_states;
};

/// The "[ALE]"/"[FCP]" titles of the timecode-column selector and the values stored for them.
struct TcColumnChoice {
    std::string_view title;
    std::string_view stored;
    bool fromAle;
};
std::span<const TcColumnChoice> tcColumnChoices();

} // namespace korvel
