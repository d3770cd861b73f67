#include "app/servers/status_pings.h"

#include <charconv>

namespace zerlin::app {

StatusPings::StatusPings(status::StatusService& service) : client_(service) {
    client_.setChangeHandler([this](const status::ServerKey& server) { changed(server); });
}

void StatusPings::setHandler(Handler handler) {
    handler_ = std::move(handler);
}

void StatusPings::ask(const std::vector<servers::PingTarget>& servers) {
    std::vector<status::Request> requests;
    requests.reserve(servers.size());
    for (const servers::PingTarget& server : servers) {
        // No query port: the one found by searching, as for a bookmark.
        requests.emplace_back(
            status::ServerKey{server.ip, std::to_string(server.port)},
            server.queryPort > 0 ? std::optional(server.queryPort) : std::nullopt);
    }
    client_.refresh(requests);
}

const status::ServerState& StatusPings::state(const std::string& ip, std::uint16_t port) const {
    return client_.state({ip, std::to_string(port)});
}

void StatusPings::changed(const status::ServerKey& server) {
    // Every server's change comes here, the bookmarks' too; the window looks up its own.
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
