#include "app/status_pings.h"

#include <charconv>

namespace zerlin::app {

void StatusPings::ask(const std::vector<servers::PingTarget>& servers) {
    std::vector<status::Request> requests;
    requests.reserve(servers.size());
    for (const servers::PingTarget& server : servers) {
        requests.emplace_back(status::ServerKey{server.ip, std::to_string(server.port)},
                              server.queryPort);
    }
    service_.refresh(requests);
}

const status::ServerState& StatusPings::state(const std::string& ip, std::uint16_t port) const {
    return service_.state({ip, std::to_string(port)});
}

void StatusPings::changed(const status::ServerKey& server) {
    if (!handler_) {
        return;
    }
    unsigned port = 0;
    const char* end = server.port.data() + server.port.size();
    if (std::from_chars(server.port.data(), end, port).ptr == end && port > 0 && port < 65536) {
        handler_(server.host, static_cast<std::uint16_t>(port));
    }
}

}  // namespace zerlin::app
