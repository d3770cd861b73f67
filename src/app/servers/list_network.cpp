#include "app/servers/list_network.h"

#include "servers/address_rules.h"

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

}  // namespace zerlin::app
