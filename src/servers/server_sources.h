#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "masters/master_list.h"
#include "platform/timer.h"
#include "servers/list_walk.h"
#include "servers/source_merge.h"
#include "status/status_client.h"

namespace zerlin::servers {

// How long the servers only masters list are waited for, at most, once asked.
inline constexpr std::chrono::milliseconds kMasterServersWait = std::chrono::seconds(20);

// Gets the servers of every source side by side: the community list through the program's one
// walk, the masters of the setting through the master list (none: the masters are off). Once
// both are in, the servers only masters list are asked for their status; those that answer
// with a game port join the list, the others are left out. The result is one row a server, the
// community list's first (see mergeSources), each saying who lists it.
class ServerSources {
  public:
    // None: every source failed.
    using Done = std::function<void(std::optional<std::vector<ListedServer>>)>;

    // masters: none, the masters are never asked. timer: the wait for the masters' servers.
    ServerSources(ListWalk& walk, masters::MasterList* masters, status::StatusService& status,
                  Timer& timer);
    ~ServerSources();
    ServerSources(const ServerSources&) = delete;
    ServerSources& operator=(const ServerSources&) = delete;

    // Asks every source that is on (the list's URL, the masters' setting not empty), dropping
    // an ask under way. False, and done is never called, when none is on. Otherwise done is
    // called once, later (at once when the list alone is asked and it ends).
    bool start(const std::string& listUrl, const std::string& masters, Done done);
    void cancel();
    bool running() const { return running_; }
    // Called with the servers of every gathering that ends with some source reached, before
    // its done.
    void setCompleteHandler(std::function<void(const std::vector<ListedServer>&)> handler) {
        complete_ = std::move(handler);
    }

  private:
    void walked(Result<std::vector<ListedServer>> outcome);
    void mastersAnswered(std::vector<masters::MasterOutcome> outcomes);
    void sourcesIn();
    void pingChanged(const status::ServerKey& server);
    void finish();

    ListWalk& walk_;
    masters::MasterList* masters_;
    status::StatusClient asked_;
    Timer& timer_;
    Done done_;
    std::function<void(const std::vector<ListedServer>&)> complete_;
    bool running_ = false;
    bool walking_ = false;
    bool asking_ = false;  // the masters
    bool listOk_ = false;
    std::vector<ListedServer> list_;
    std::vector<masters::MasterOutcome> outcomes_;
    std::vector<MergedServer> merged_;
    std::set<status::ServerKey> unanswered_;  // the masters' servers still asked
};

}  // namespace zerlin::servers
