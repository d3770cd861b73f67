#pragma once

#include <string>

#include "platform/settings_backend.h"

namespace zerlin {

// The settings store as a text file that people may edit (see IniDocument). Every operation
// reads the file afresh, so a change another running copy made is seen at once. A write holds
// a lock beside the file while it reads, edits and replaces it, so that two copies never work
// from an old reading, and replaces the file at once or not at all. Anything but a regular
// file under the name is never opened in a way that could wait.
class IniFileSettings : public SettingsBackend {
  public:
    // The store in the file at path; with an empty path it holds and keeps nothing.
    explicit IniFileSettings(std::string path);

    std::string read(const std::string& section, const std::string& key) override;
    std::optional<std::string> find(const std::string& section, const std::string& key) override;
    Status write(const std::string& section, const std::string& key,
                 const std::string& value) override;
    Status write(const std::string& section, const SettingsEntries& entries) override;

    const std::string& path() const { return path_; }

    // `<configuration folder>/<applicationName>/settings.ini`, or the empty text when the
    // user's configuration folder is not known.
    static std::string filePath(const std::string& applicationName);

  private:
    std::string path_;
};

}  // namespace zerlin
