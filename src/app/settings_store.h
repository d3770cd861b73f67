#pragma once

#include <QString>
#include <memory>

#include "platform/settings_backend.h"

namespace zerlin::app {

// The running executable's base name without directory and extension ("zerlin" normally).
QString applicationName();

// The per-user settings store of the program named: on Windows the registry's per-user
// program-settings area, elsewhere `settings.ini` in the user's configuration folder.
std::unique_ptr<SettingsBackend> openSettings(const QString& applicationName);

}  // namespace zerlin::app
