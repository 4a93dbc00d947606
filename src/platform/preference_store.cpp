// SPDX-License-Identifier: MIT
#include "platform/preference_store.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace korvel {
namespace {

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

std::string preferenceText(const PreferenceValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return *flag ? "true" : "false";
    }
    return std::to_string(std::get<std::int64_t>(value));
}

std::optional<std::string> PreferenceStore::string(std::string_view key) const {
    const auto stored = value(key);
    if (!stored) {
        return std::nullopt;
    }
    return preferenceText(*stored);
}

bool PreferenceStore::boolean(std::string_view key) const {
    const auto stored = value(key);
    if (!stored) {
        return false;
    }
    if (const auto* flag = std::get_if<bool>(&*stored)) {
        return *flag;
    }
    if (const auto* number = std::get_if<std::int64_t>(&*stored)) {
        return *number != 0;
    }
    const std::string text = lowerCase(std::get<std::string>(*stored));
    return text == "true" || text == "yes" || text == "1";
}

std::int64_t PreferenceStore::integer(std::string_view key) const {
    const auto stored = value(key);
    if (!stored) {
        return 0;
    }
    if (const auto* number = std::get_if<std::int64_t>(&*stored)) {
        return *number;
    }
    if (const auto* flag = std::get_if<bool>(&*stored)) {
        return *flag ? 1 : 0;
    }
    const std::string& text = std::get<std::string>(*stored);
    std::int64_t number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    return ec == std::errc() ? number : 0;
}

void PreferenceStore::clear() {
    for (const std::string& key : keys()) {
        remove(key);
    }
}

std::optional<PreferenceValue> MemoryPreferenceStore::value(std::string_view key) const {
    const auto found =
        std::lower_bound(m_values.begin(), m_values.end(), key,
                         [](const auto& entry, std::string_view k) { return entry.first < k; });
    if (found == m_values.end() || found->first != key) {
        return std::nullopt;
    }
    return found->second;
}

void MemoryPreferenceStore::setValue(std::string_view key, const PreferenceValue& value) {
    const auto found =
        std::lower_bound(m_values.begin(), m_values.end(), key,
                         [](const auto& entry, std::string_view k) { return entry.first < k; });
    if (found != m_values.end() && found->first == key) {
        found->second = value;
    } else {
        m_values.emplace(found, std::string(key), value);
    }
}

void MemoryPreferenceStore::remove(std::string_view key) {
    std::erase_if(m_values, [key](const auto& entry) { return entry.first == key; });
}

std::vector<std::string> MemoryPreferenceStore::keys() const {
    std::vector<std::string> result;
    result.reserve(m_values.size());
    for (const auto& entry : m_values) {
        result.push_back(entry.first);
    }
    return result;
}

void OverlayPreferenceStore::override(std::string_view key, const PreferenceValue& value) {
    m_overrides.setValue(key, value);
}

std::optional<PreferenceValue> OverlayPreferenceStore::value(std::string_view key) const {
    if (auto overridden = m_overrides.value(key)) {
        return overridden;
    }
    return m_base.value(key);
}

void OverlayPreferenceStore::setValue(std::string_view key, const PreferenceValue& value) {
    m_overrides.remove(key);
    m_base.setValue(key, value);
}

void OverlayPreferenceStore::remove(std::string_view key) {
    m_overrides.remove(key);
    m_base.remove(key);
}

std::vector<std::string> OverlayPreferenceStore::keys() const {
    std::vector<std::string> result = m_base.keys();
    for (std::string& key : m_overrides.keys()) {
        result.push_back(std::move(key));
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

} // namespace korvel
