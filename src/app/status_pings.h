#pragma once

#include <functional>
#include <string>
#include <vector>

#include "servers/ping_source.h"
#include "status/status_service.h"

namespace zerlin::app {

// The Servers window's pings from a status service: a listed server is asked as the boxes
// would name it, its IP and game port.
class StatusPings : public servers::PingSource {
  public:
    // refresh: wants exactly these servers and asks each; state: what the service knows of one.
    struct Service {
        std::function<void(const std::vector<status::Request>&)> refresh;
        std::function<const status::ServerState&(const status::ServerKey&)> state;
    };
    explicit StatusPings(Service service) : service_(std::move(service)) {}

    void setHandler(Handler handler) override { handler_ = std::move(handler); }
    void ask(const std::vector<servers::PingTarget>& servers) override;
    const status::ServerState& state(const std::string& ip, std::uint16_t port) const override;

    // From the service's change handler: passes a listed server's change on.
    void changed(const status::ServerKey& server);

  private:
    Service service_;
    Handler handler_;
};

}  // namespace zerlin::app
