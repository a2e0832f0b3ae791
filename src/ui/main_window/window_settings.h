#pragma once

#include <QString>

namespace tilora::ui {

// Tilora's own settings, remembered across runs in an INI file in the
// user's configuration folder (XDG_CONFIG_HOME). Kept apart from QSettings'
// usual place, which the application sends to a folder removed at exit so
// that Qt's file dialog history stays out of the user's settings.
QString SettingsFile();

bool StoredFlag(const QString& key, bool fallback);
void StoreFlag(const QString& key, bool value);

}  // namespace tilora::ui
