#pragma once

#include <string>
#include <vector>

#include "servers/ping_source.h"
#include "status/status_client.h"
#include "status/status_service.h"

namespace zerlin::app {

// The Servers window's pings from the program's one status service, as a client of its own: a
// listed server is asked as the boxes would name it (its IP and game port) at the query port
// the list gives, so that the bookmark list and the window share each answer.
class StatusPings : public servers::PingSource {
  public:
    explicit StatusPings(status::StatusService& service);

    void setHandler(Handler handler) override;
    void ask(const std::vector<servers::PingTarget>& servers) override;
    const status::ServerState& state(const std::string& ip, std::uint16_t port) const override;

  private:
    void changed(const status::ServerKey& server);

    status::StatusClient client_;
    Handler handler_;
};

}  // namespace zerlin::app
