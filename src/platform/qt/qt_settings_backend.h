#pragma once

#include <QString>

#include "platform/settings_backend.h"

namespace zerlin::qt {

// The per-user settings store on Windows: the registry's per-user program-settings area. Every
// operation opens the store afresh, so values written by another running copy are seen at once
// and nothing is cached.
class QtSettingsBackend : public SettingsBackend {
  public:
    explicit QtSettingsBackend(const QString& applicationName);

    std::string read(const std::string& section, const std::string& key) override;
    Status write(const std::string& section, const std::string& key,
                 const std::string& value) override;
    Status write(const std::string& section, const SettingsEntries& entries) override;

  private:
    QString location_;  // the registry path of the store
};

}  // namespace zerlin::qt
