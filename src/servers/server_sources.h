#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
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
// walk, the masters of the setting through the master list (none: the masters are off). The
// list's servers are given as soon as the list is in, whatever the masters are doing; the
// servers only masters list are asked for their status, and those that answer with a game port
// are added as they answer (the others are left out). When the list failed or is off, the
// masters' servers are given once they have answered, or after kMasterServersWait.
class ServerSources {
  public:
    using Servers = std::vector<ListedServer>;
    struct Handlers {
        // The first servers of a gathering, once, each saying who lists it: the list's (the
        // masters they are known to be listed by so far), or, the list down or off, the
        // masters' servers that answered.
        std::function<void(std::shared_ptr<const Servers>)> listed;
        // After listed, from inside the sources' events (the status service's report among
        // them): the masters' servers that answered since, to add; and a server given already
        // (the same IP and game port) again, with the sources now known to list it: only its
        // listedBy counts.
        std::function<void(Servers)> added;
        // Every source failed: nothing is given.
        std::function<void()> failed;
    };

    // masters: none, the masters are never asked. timer: the wait for the masters' servers.
    ServerSources(ListWalk& walk, masters::MasterList* masters, status::StatusService& status,
                  Timer& timer);
    ~ServerSources();
    ServerSources(const ServerSources&) = delete;
    ServerSources& operator=(const ServerSources&) = delete;

    // Asks every source that is on (the list's URL, the masters' setting not empty), dropping
    // a gathering under way. False, and no handler is called, when none is on.
    bool start(const std::string& listUrl, const std::string& masters, Handlers handlers);
    void cancel();
    // A gathering is under way: a source, or the servers only masters list, still awaited.
    bool running() const { return running_; }
    // The thread the list is read on, for other work on the servers it gives; none: the event
    // loop's.
    Worker* worker() const { return walk_.worker(); }
    // Called once a gathering has ended with some source reached, with every server it gave.
    void setCompleteHandler(std::function<void(const std::vector<const ListedServer*>&)> handler) {
        complete_ = std::move(handler);
    }

  private:
    void walked(Result<Servers> outcome);
    void mastersAnswered(std::vector<masters::MasterOutcome> outcomes);
    void merge();
    void pingChanged(const status::ServerKey& server);
    // A master's server answered (now, or in the gathering before): shown once, at the game
    // port its answer gives; one without an answer is left out.
    void answered(const status::ServerKey& server);
    void waitEnded();
    void give(Servers servers);

    ListWalk& walk_;
    masters::MasterList* masters_;
    status::StatusClient asked_;
    Timer& timer_;
    Handlers handlers_;
    std::function<void(const std::vector<const ListedServer*>&)> complete_;
    bool running_ = false;
    bool walking_ = false;
    bool asking_ = false;  // the masters
    bool listOk_ = false;
    std::shared_ptr<Servers> list_;  // given once listed, then left as it is
    bool given_ = false;
    std::vector<masters::MasterOutcome> outcomes_;
    std::vector<MasterServer> mastersOnly_;
    // The masters' servers still asked: the index of each in mastersOnly_.
    std::map<status::ServerKey, std::size_t> unanswered_;
    Servers added_;                                          // the masters' servers that answered
    std::set<std::pair<std::string, std::uint16_t>> shown_;  // IP and game port of those given
};

}  // namespace zerlin::servers
