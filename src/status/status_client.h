#pragma once

#include <functional>
#include <set>
#include <vector>

#include "status/status_service.h"

namespace zerlin::status {

// One part of the program that shows servers' statuses (the bookmark list and the boxes, the
// slot wait), as the one StatusService sees it. Each client wants its own set of servers; the
// service keeps the state of every server that some client wants, so that one client's refresh
// never forgets a server another still shows.
class StatusClient {
  public:
    explicit StatusClient(StatusService& service);
    // Wants nothing more: the servers only this client wanted are forgotten.
    ~StatusClient();
    StatusClient(const StatusClient&) = delete;
    StatusClient& operator=(const StatusClient&) = delete;

    // Called each time the state of any server changes, whichever client asked it; it must
    // not call refresh(), ask() or keepOnly() of any client.
    void setChangeHandler(std::function<void(const ServerKey&)> handler);

    // Wants exactly these servers and asks each, in the order given (one that is being asked
    // already goes on). Only the clients that want a server are told it is being asked.
    void refresh(const std::vector<Request>& requests);
    // Wants these servers as well as those wanted already, and asks each, in the order given
    // (one that is being asked already goes on).
    void askMore(const std::vector<Request>& requests);
    // Wants one server more and asks it.
    void ask(const Request& request);
    // Wants exactly these servers, asking none.
    void keepOnly(const std::vector<ServerKey>& servers);
    void keepExactly(std::set<ServerKey> servers);

    const ServerState& state(const ServerKey& server) const { return service_.state(server); }
    // Whether a server this client wants is being asked.
    bool busy() const;

  private:
    StatusService& service_;
    unsigned id_;
};

}  // namespace zerlin::status
