#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/result.h"

namespace zerlin {

// Keys of one section with their values.
using SettingsEntries = std::vector<std::pair<std::string, std::string>>;

// The per-user settings store of the running program. Section and key names match without
// regard to letter case; values are texts stored exactly as written.
class SettingsBackend {
  public:
    virtual ~SettingsBackend() = default;
    // The stored value, or the empty text when the section or key does not exist or the
    // store cannot be read.
    virtual std::string read(const std::string& section, const std::string& key) = 0;
    // The stored value, or none when the key does not exist: an empty value is one. A store
    // that cannot tell them apart takes an empty value for none.
    virtual std::optional<std::string> find(const std::string& section, const std::string& key) {
        std::string value = read(section, key);
        return value.empty() ? std::nullopt : std::optional<std::string>(std::move(value));
    }
    // Replaces the value; it is on disk when this returns, or the failure says why not.
    virtual Status write(const std::string& section, const std::string& key,
                         const std::string& value) = 0;
    // Replaces the values of the section's keys together: another running program reads all of
    // them or none.
    virtual Status write(const std::string& section, const SettingsEntries& entries) = 0;
};

}  // namespace zerlin
