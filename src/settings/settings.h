#pragma once

#include <string>

#include "platform/settings_backend.h"

namespace zerlin {

// An option flag counts as on only when its value is exactly "yes".
inline bool isOn(const std::string& flagValue) {
    return flagValue == "yes";
}

inline bool flag(SettingsBackend& settings, const std::string& section, const std::string& key) {
    return isOn(settings.read(section, key));
}

}  // namespace zerlin
