#include "app/servers/list_network.h"

#include "servers/address_rules.h"
#include "settings/settings.h"

namespace zerlin::app {

ListNetwork::Masters::Masters(ListNetwork& network, bool loopbackOnly)
    : list(
          loopbackOnly ? static_cast<net::TcpNetwork&>(guardedTcp) : tcp,
          loopbackOnly ? static_cast<net::HostResolver&>(guardedResolver) : resolver,
          [] { return std::make_unique<qt::QtTimer>(); }, servers::allowed),
      sources(network.walk_, &list, network.status_, wait) {}

ListNetwork::~ListNetwork() {
    // The sources go first: they stop the walk and the masters they asked.
    masters_.reset();
}

servers::ServerSources& ListNetwork::sources() {
    if (!masters_) {
        masters_ = std::make_unique<Masters>(*this, loopbackOnly_);
    }
    return masters_->sources;
}

std::string listUrl(SettingsBackend& settings) {
    const std::optional<std::string> url =
        settings.find(keys::serversListUrl.section, keys::serversListUrl.key);
    return url ? *url : std::string(keys::kDefaultServersListUrl);
}

}  // namespace zerlin::app
