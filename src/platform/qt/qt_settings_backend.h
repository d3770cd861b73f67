#pragma once

#include <QString>

#include "platform/settings_backend.h"

namespace zerlin::qt {

// The running executable's base name without directory and extension ("zerlin" normally).
QString applicationName();

// The per-user settings store. On Windows it is the registry's per-user program-settings area;
// elsewhere an INI file under the XDG configuration folder. Every operation opens the store
// afresh, so values written by another running copy are seen at once and nothing is cached.
class QtSettingsBackend : public SettingsBackend {
  public:
    explicit QtSettingsBackend(const QString& applicationName);

    std::string read(const std::string& section, const std::string& key) override;
    void write(const std::string& section, const std::string& key,
               const std::string& value) override;

    // Where the store lives: the INI file's path, or the registry path on Windows.
    QString location() const { return location_; }

    // `$XDG_CONFIG_HOME/<app>/settings.ini`, or `~/.config/<app>/settings.ini` when the
    // variable is unset, empty or not an absolute path.
    static QString iniFilePath(const QString& applicationName);

  private:
    void writeIniFile(const QString& section, const QString& key, const QString& value);

    QString location_;
};

}  // namespace zerlin::qt
