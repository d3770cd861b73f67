#include "status/status_client.h"

#include <utility>

namespace zerlin::status {

StatusClient::StatusClient(StatusService& service) : service_(service), id_(service.addClient()) {}

StatusClient::~StatusClient() {
    service_.removeClient(id_);
}

void StatusClient::setChangeHandler(std::function<void(const ServerKey&)> handler) {
    service_.setChangeHandler(id_, std::move(handler));
}

void StatusClient::refresh(const std::vector<Request>& requests) {
    service_.want(id_, requests, true);
}

void StatusClient::askMore(const std::vector<Request>& requests) {
    service_.askMore(id_, requests);
}

void StatusClient::ask(const Request& request) {
    service_.ask(id_, request);
}

void StatusClient::keepOnly(const std::vector<ServerKey>& servers) {
    service_.keepOnly(id_, std::set<ServerKey>(servers.begin(), servers.end()));
}

void StatusClient::keepExactly(std::set<ServerKey> servers) {
    service_.keepOnly(id_, std::move(servers));
}

bool StatusClient::busy() const {
    return service_.busy(id_);
}

}  // namespace zerlin::status
