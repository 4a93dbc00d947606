// SPDX-License-Identifier: MIT
#include "platform/qsettings_preference_store.h"

#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cstdlib>

namespace korvel {
namespace {

QString qKey(std::string_view key) {
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

QSettingsPreferenceStore::QSettingsPreferenceStore()
    : m_settings(
          std::make_unique<QSettings>(QStringLiteral("Korvel"), QStringLiteral("Korvel Tools"))) {}

QSettingsPreferenceStore::QSettingsPreferenceStore(const std::string& path)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(path), QSettings::IniFormat)) {}

QSettingsPreferenceStore::~QSettingsPreferenceStore() {
    m_settings->sync();
}

std::string QSettingsPreferenceStore::location() const {
    return m_settings->fileName().toStdString();
}

bool QSettingsPreferenceStore::stored() const {
    return m_settings->status() == QSettings::NoError;
}

std::optional<PreferenceValue> QSettingsPreferenceStore::value(std::string_view key) const {
    const QVariant stored = m_settings->value(qKey(key));
    if (!stored.isValid()) {
        return std::nullopt;
    }
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return stored.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return static_cast<std::int64_t>(stored.toLongLong());
    case QMetaType::QStringList:
        // An INI value with an unquoted comma reads back as a list.
        return stored.toStringList().join(QStringLiteral(", ")).toStdString();
    default:
        return stored.toString().toStdString();
    }
}

void QSettingsPreferenceStore::setValue(std::string_view key, const PreferenceValue& value) {
    QVariant stored;
    if (const auto* text = std::get_if<std::string>(&value)) {
        stored = QString::fromStdString(*text);
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        stored = *flag;
    } else {
        stored = static_cast<qlonglong>(std::get<std::int64_t>(value));
    }
    m_settings->setValue(qKey(key), stored);
}

void QSettingsPreferenceStore::remove(std::string_view key) {
    m_settings->remove(qKey(key));
}

std::vector<std::string> QSettingsPreferenceStore::keys() const {
    std::vector<std::string> result;
    for (const QString& key : m_settings->allKeys()) {
        result.push_back(key.toStdString());
    }
    std::sort(result.begin(), result.end());
    return result;
}

void QSettingsPreferenceStore::synchronize() {
    m_settings->sync();
}

std::unique_ptr<QSettingsPreferenceStore> openPreferenceStore(const std::string& prefsFile) {
    std::string path = prefsFile;
    if (path.empty()) {
        if (const char* fromEnvironment = std::getenv("KORVEL_PREFS")) {
            path = fromEnvironment;
        }
    }
    if (path.empty()) {
        return std::make_unique<QSettingsPreferenceStore>();
    }
    return std::make_unique<QSettingsPreferenceStore>(path);
}

} // namespace korvel
