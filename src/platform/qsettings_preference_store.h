// SPDX-License-Identifier: MIT
#pragma once

#include "platform/preference_store.h"

#include <memory>
#include <string>

class QSettings;

namespace korvel {

/// The preference store kept by QSettings: the platform's native store by default (a plist on
/// macOS, an INI file on Linux), or an INI file at a chosen path. Each write takes effect at once
/// and reaches the disk at the latest when the store is destroyed.
class QSettingsPreferenceStore final : public PreferenceStore {
  public:
    /// The platform's per-user store of "Korvel Tools".
    QSettingsPreferenceStore();
    /// An INI file at `path` (created on the first write).
    explicit QSettingsPreferenceStore(const std::string& path);
    ~QSettingsPreferenceStore() override;

    /// Where the values are kept.
    std::string location() const;
    /// False when the last write to permanent storage failed (a read-only or unreachable file).
    bool stored() const;

    std::optional<PreferenceValue> value(std::string_view key) const override;
    void setValue(std::string_view key, const PreferenceValue& value) override;
    void remove(std::string_view key) override;
    std::vector<std::string> keys() const override;
    void synchronize() override;

  private:
    std::unique_ptr<QSettings> m_settings;
};

/// The store both front ends use: the INI file `prefsFile`, else the one $KORVEL_PREFS names,
/// else the platform's per-user store.
std::unique_ptr<QSettingsPreferenceStore> openPreferenceStore(const std::string& prefsFile);

} // namespace korvel
