#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "status/status_service.h"

namespace zerlin::servers {

// A listed server to ask: its IP, game port and the query port the list names.
struct PingTarget {
    std::string ip;
    std::uint16_t port = 0;
    std::uint16_t queryPort = 0;  // 0: not known, searched for
};

// Where the Servers window's pings come from: the program's status service, which the
// application adapts to this.
class PingSource {
  public:
    using Handler = std::function<void(const std::string& ip, std::uint16_t port)>;

    virtual ~PingSource() = default;
    // Called when a listed server's state changed; read it with state().
    virtual void setHandler(Handler handler) = 0;
    // Asks these servers, and stops caring for any listed before that are not among them.
    virtual void ask(const std::vector<PingTarget>& servers) = 0;
    virtual const status::ServerState& state(const std::string& ip, std::uint16_t port) const = 0;
};

}  // namespace zerlin::servers
