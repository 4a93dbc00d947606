// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korvel {

/// One stored preference value: a string, a boolean or an integer.
using PreferenceValue = std::variant<std::string, bool, std::int64_t>;

/// The text of a value as the command line shows it: booleans true/false, integers in decimal.
std::string preferenceText(const PreferenceValue& value);

/// The persistent per-user key/value store of every option. Keys are case-sensitive. An absent key
/// reads as no string, false or 0; a string reads as a boolean when it says true/yes/1.
class PreferenceStore {
  public:
    virtual ~PreferenceStore() = default;

    virtual std::optional<PreferenceValue> value(std::string_view key) const = 0;
    virtual void setValue(std::string_view key, const PreferenceValue& value) = 0;
    /// Removes the key ("no value"), so that it reads as absent or false.
    virtual void remove(std::string_view key) = 0;
    /// Every stored key, sorted.
    virtual std::vector<std::string> keys() const = 0;
    /// Forces the values to permanent storage.
    virtual void synchronize() = 0;

    bool contains(std::string_view key) const { return value(key).has_value(); }
    std::optional<std::string> string(std::string_view key) const;
    /// The stored string, or the empty string when there is none.
    std::string stringOrEmpty(std::string_view key) const { return string(key).value_or(""); }
    bool boolean(std::string_view key) const;
    std::int64_t integer(std::string_view key) const;

    void setString(std::string_view key, std::string value) { setValue(key, std::move(value)); }
    void setBoolean(std::string_view key, bool value) { setValue(key, value); }
    void setInteger(std::string_view key, std::int64_t value) { setValue(key, value); }
    /// Removes every key.
    void clear();
};

/// A store held in memory only, for tests and for one-run overrides.
class MemoryPreferenceStore final : public PreferenceStore {
  public:
    std::optional<PreferenceValue> value(std::string_view key) const override;
    void setValue(std::string_view key, const PreferenceValue& value) override;
    void remove(std::string_view key) override;
    std::vector<std::string> keys() const override;
    void synchronize() override {}

  private:
    std::vector<std::pair<std::string, PreferenceValue>> m_values; // sorted by key
};

/// Values given for one run (the command line's --set) laid over a persistent store. Reads see
/// the override first; a write goes to the store and ends the override of its key.
class OverlayPreferenceStore final : public PreferenceStore {
  public:
    explicit OverlayPreferenceStore(PreferenceStore& base) : m_base(base) {}

    void override(std::string_view key, const PreferenceValue& value);

    std::optional<PreferenceValue> value(std::string_view key) const override;
    void setValue(std::string_view key, const PreferenceValue& value) override;
    void remove(std::string_view key) override;
    std::vector<std::string> keys() const override;
    void synchronize() override { m_base.synchronize(); }

  private:
    PreferenceStore& m_base;
    MemoryPreferenceStore m_overrides;
};

} // namespace korvel
