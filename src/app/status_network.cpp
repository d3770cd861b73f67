#include "app/status_network.h"

namespace zerlin::app {

StatusNetwork::StatusNetwork(bool loopbackOnly)
    : service_(std::make_unique<status::StatusService>(
          loopbackOnly ? static_cast<net::DatagramSocket&>(loopbackSocket_) : socket_,
          loopbackOnly ? static_cast<net::HostResolver&>(loopbackResolver_) : resolver_, clock_,
          timer_)) {}

}  // namespace zerlin::app
