#include "platform/qt_settings_store.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <iostream>

namespace tressmoor::platform {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QSettings open(std::string_view store) {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tressmoor"),
                     qs(store));
}

}  // namespace

bool QtSettingsStore::commit(QSettings& settings) {
    settings.sync();
    if (settings.status() == QSettings::NoError) return true;
    if (!noticed_) {
        noticed_ = true;
        const std::string text = "settings: " + settings.fileName().toStdString() +
                                 " cannot be written; options and saves are not kept";
        if (notice_) {
            notice_(text);
        } else {
            std::cerr << text << std::endl;
        }
    }
    return false;
}

std::optional<int> QtSettingsStore::readInt(std::string_view store, std::string_view name) {
    QSettings settings = open(store);
    QVariant v = settings.value(qs(name));
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    int value = v.toString().trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
}

std::optional<std::string> QtSettingsStore::readString(std::string_view store,
                                                       std::string_view name) {
    QSettings settings = open(store);
    QVariant v = settings.value(qs(name));
    if (!v.isValid()) return std::nullopt;
    return v.toString().toStdString();
}

bool QtSettingsStore::writeInt(std::string_view store, std::string_view name, int value) {
    QSettings settings = open(store);
    settings.setValue(qs(name), value);
    return commit(settings);
}

bool QtSettingsStore::writeString(std::string_view store, std::string_view name,
                                  std::string_view value) {
    QSettings settings = open(store);
    settings.setValue(qs(name), qs(value));
    return commit(settings);
}

}  // namespace tressmoor::platform
