#include "app/servers/list_network.h"

#include "settings/settings.h"

namespace zerlin::app {

std::string listUrl(SettingsBackend& settings) {
    const std::optional<std::string> url =
        settings.find(keys::serversListUrl.section, keys::serversListUrl.key);
    return url ? *url : std::string(keys::kDefaultServersListUrl);
}

}  // namespace zerlin::app
