#pragma once

#include <string>

#include "platform/dialogs.h"
#include "platform/settings_backend.h"

namespace zerlin {

// The settings store as the windows use it: a write that fails is said once, plainly, where
// the user changed something that would otherwise look stored; later failures pass quietly, so
// a store that stays broken does not bring up a message at every click. The program goes on.
class ReportingSettings : public SettingsBackend {
  public:
    ReportingSettings(SettingsBackend& store, MessageBox& messages);

    std::string read(const std::string& section, const std::string& key) override;
    Status write(const std::string& section, const std::string& key,
                 const std::string& value) override;
    Status write(const std::string& section, const SettingsEntries& entries) override;

    static constexpr const char* notice = "Zerlin couldn't save its settings: ";

  private:
    Status reported(Status status);

    SettingsBackend& store_;
    MessageBox& messages_;
    bool told_ = false;
};

}  // namespace zerlin
