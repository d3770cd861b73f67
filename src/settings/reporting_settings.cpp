#include "settings/reporting_settings.h"

namespace zerlin {

ReportingSettings::ReportingSettings(SettingsBackend& store, MessageBox& messages)
    : store_(store), messages_(messages) {}

std::string ReportingSettings::read(const std::string& section, const std::string& key) {
    return store_.read(section, key);
}

Status ReportingSettings::write(const std::string& section, const std::string& key,
                                const std::string& value) {
    return reported(store_.write(section, key, value));
}

Status ReportingSettings::write(const std::string& section, const SettingsEntries& entries) {
    return reported(store_.write(section, entries));
}

Status ReportingSettings::reported(Status status) {
    if (!status && !told_) {
        told_ = true;
        messages_.show(notice + status.error());
    }
    return status;
}

}  // namespace zerlin
