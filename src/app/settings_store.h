#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/settings_backend.h"

namespace zerlin::app {

// The running executable's base name without directory and extension ("zerlin" normally).
QString applicationName();

// The per-user settings store of the program named: on Windows the registry's per-user
// program-settings area, elsewhere `settings.ini` in the user's configuration folder.
std::unique_ptr<SettingsBackend> openSettings(const QString& applicationName);

// The friends file of the program named: `friends.txt` in the folder `settings.ini` is in (on
// Windows too, where the settings are in the registry); the empty text when no folder for the
// user's files is known.
std::string friendsFile(const QString& applicationName);

}  // namespace zerlin::app
