#pragma once

#include <QString>

#include "platform/settings_backend.h"

namespace zerlin::qt {

// The running executable's base name without directory and extension ("zerlin" normally).
QString applicationName();

// The per-user settings store: an INI file under the XDG configuration folder, or the
// registry's per-user program-settings area on Windows.
class QtSettingsBackend : public SettingsBackend {
  public:
    explicit QtSettingsBackend(const QString& applicationName);

    std::string read(const std::string& section, const std::string& key) override;
    void write(const std::string& section, const std::string& key,
               const std::string& value) override;

    // Where the store lives: the INI file's path, or the registry path on Windows.
    QString location() const { return location_; }

  private:
    QString location_;
};

}  // namespace zerlin::qt
