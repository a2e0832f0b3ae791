#include "ui/main_window/window_settings.h"

#include <QSettings>
#include <QStandardPaths>

namespace tilora::ui {

QString SettingsFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/tilora/tilora.conf");
}

bool StoredFlag(const QString& key, bool fallback) {
  return QSettings(SettingsFile(), QSettings::IniFormat).value(key, fallback).toBool();
}

// A settings file that cannot be written only means the choice is not
// remembered; the window goes on with it.
void StoreFlag(const QString& key, bool value) { QSettings(SettingsFile(), QSettings::IniFormat).setValue(key, value); }

}  // namespace tilora::ui
