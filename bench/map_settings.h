#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/settings_backend.h"

namespace zerlin::bench {

// The benchmarks' settings: kept in memory, nothing read or written on disk.
class MapSettings : public SettingsBackend {
  public:
    std::string read(const std::string& section, const std::string& key) override {
        return find(section, key).value_or("");
    }
    std::optional<std::string> find(const std::string& section, const std::string& key) override {
        const auto found = values.find(section + "/" + key);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    Status write(const std::string& section, const std::string& key,
                 const std::string& value) override {
        values[section + "/" + key] = value;
        return {};
    }
    Status write(const std::string& section, const SettingsEntries& entries) override {
        for (const auto& [key, value] : entries) {
            write(section, key, value);
        }
        return {};
    }
    std::map<std::string, std::string> values;
};

}  // namespace zerlin::bench
