#include "servers/server_sources.h"

#include <algorithm>
#include <utility>

#include "servers/ping_plan.h"

namespace zerlin::servers {

ServerSources::ServerSources(ListWalk& walk, masters::MasterList* masters,
                             status::StatusService& status, Timer& timer)
    : walk_(walk), masters_(masters), asked_(status), timer_(timer) {
    asked_.setChangeHandler([this](const status::ServerKey& server) { pingChanged(server); });
    timer_.setHandler([this] { waitEnded(); });
}

ServerSources::~ServerSources() {
    timer_.stop();
    timer_.setHandler({});
    cancel();
}

bool ServerSources::start(const std::string& listUrl, const std::string& masters,
                          Handlers handlers) {
    cancel();
    handlers_ = std::move(handlers);
    running_ = true;
    walking_ = !listUrl.empty();
    asking_ = masters_ && masters_->start(masters, [this](std::vector<masters::MasterOutcome> o) {
        mastersAnswered(std::move(o));
    });
    if (!walking_ && !asking_) {
        running_ = false;
        handlers_ = {};
        return false;
    }
    if (walking_) {
        walk_.start(listUrl, [this](Result<Servers> outcome) { walked(std::move(outcome)); });
    }
    return true;
}

void ServerSources::cancel() {
    if (walking_) {
        walk_.cancel();
    }
    if (asking_ && masters_) {
        masters_->cancel();
    }
    timer_.stop();
    running_ = walking_ = asking_ = listOk_ = given_ = false;
    list_.reset();
    outcomes_.clear();
    mastersOnly_.clear();
    unanswered_.clear();
    added_.clear();
    shown_.clear();
    // The masters' servers stay wanted, answers and all, until the next gathering asks its own:
    // those still listed then are shown with their last answer at once.
    handlers_ = {};
}

void ServerSources::walked(Result<Servers> outcome) {
    walking_ = false;
    listOk_ = outcome.ok();
    if (listOk_) {
        list_ = std::make_shared<Servers>(std::move(outcome.value()));
        for (ListedServer& server : *list_) {
            server.listedBy = {kCommunityListName};
        }
    }
    if (!asking_) {
        merge();  // the masters are in, or off
    } else if (listOk_) {
        give(Servers());  // the list's servers now; the masters' when they come
    }
}

void ServerSources::mastersAnswered(std::vector<masters::MasterOutcome> outcomes) {
    asking_ = false;
    outcomes_ = std::move(outcomes);
    if (!walking_) {
        merge();
    }
}

void ServerSources::give(Servers servers) {
    if (!given_) {
        given_ = true;
        if (handlers_.listed) {
            handlers_.listed(list_ ? list_ : std::make_shared<Servers>(std::move(servers)));
        }
    } else if (!servers.empty() && handlers_.added) {
        handlers_.added(std::move(servers));
    }
}

void ServerSources::merge() {
    const bool reached =
        listOk_ || std::any_of(outcomes_.begin(), outcomes_.end(),
                               [](const masters::MasterOutcome& outcome) { return outcome.ok; });
    if (!reached) {
        const std::function<void()> failed = std::move(handlers_.failed);
        cancel();
        if (failed) {
            failed();
        }
        return;
    }
    SourceMerge merged = mergeSources(list_ ? *list_ : Servers(), outcomes_);
    outcomes_.clear();
    // The list's servers the masters list too say so: in the list itself while it is not given,
    // else given again. Once given, the list is read on other threads and never changed.
    Servers again;
    for (auto& [index, masters] : merged.alsoListed) {
        std::vector<std::string> by{kCommunityListName};
        by.insert(by.end(), masters.begin(), masters.end());
        if (!given_) {
            (*list_)[index].listedBy = std::move(by);
            continue;
        }
        const ListedServer& server = (*list_)[index];
        ListedServer& update = again.emplace_back();
        update.ip = server.ip;
        update.port = server.port;
        update.queryPort = server.queryPort;
        update.listedBy = std::move(by);
    }
    if (listOk_) {
        give(std::move(again));
    }
    // The masters' servers are asked as the list's are: the same limits on ports and on the
    // servers of one address, so that no master can make the program flood an address.
    mastersOnly_ = std::move(merged.mastersOnly);
    std::vector<ServerRow> toAsk;
    toAsk.reserve(mastersOnly_.size());
    for (const MasterServer& server : mastersOnly_) {
        toAsk.emplace_back(server.server);
    }
    planPings(toAsk);
    std::vector<status::Request> requests;
    for (std::size_t i = 0; i < toAsk.size(); ++i) {
        if (toAsk[i].notPinged == NotPinged::No) {
            const ListedServer& server = toAsk[i].listed;
            requests.emplace_back(status::unknownGamePort(server.ip, server.queryPort),
                                  server.queryPort);
            unanswered_.emplace(requests.back().server, i);
        }
    }
    if (unanswered_.empty()) {
        timer_.start(std::chrono::milliseconds(0));
        return;
    }
    timer_.start(kMasterServersWait);
    asked_.refresh(requests);
    // Those that answered the gathering before are shown with that answer now; their rows are
    // asked again like every other.
    for (const status::Request& request : requests) {
        if (asked_.state(request.server).answer) {
            answered(request.server);
        }
    }
}

void ServerSources::pingChanged(const status::ServerKey& server) {
    const status::ServerState& state = asked_.state(server);
    if (state.ended && !state.asking) {
        answered(server);
    }
}

void ServerSources::answered(const status::ServerKey& server) {
    const auto found = unanswered_.find(server);
    if (found == unanswered_.end()) {
        return;
    }
    const status::ServerState& state = asked_.state(server);
    MasterServer& master = mastersOnly_[found->second];
    unanswered_.erase(found);
    const std::optional<int> port = state.answer ? state.answer->status.hostPort : std::nullopt;
    if (port && *port >= 1 && *port <= 65535) {
        // One row a server: a master's server at the game port of one listed already (at
        // another query port) is that one.
        if (shown_.empty() && list_) {
            for (const ListedServer& listed : *list_) {
                shown_.emplace(listed.ip, listed.port);
            }
        }
        ListedServer& heard = master.server;
        heard.port = static_cast<std::uint16_t>(*port);
        if (shown_.emplace(heard.ip, heard.port).second) {
            heard.info = state.answer->status;
            heard.listedBy = std::move(master.listedBy);
            added_.push_back(heard);
            if (given_) {
                give({heard});
            }
        }
    }
    if (unanswered_.empty()) {
        // Not from inside the service's report: the gathering ends from the timer.
        timer_.start(std::chrono::milliseconds(0));
    }
}

void ServerSources::waitEnded() {
    timer_.stop();
    if (!running_ || walking_ || asking_) {
        return;
    }
    if (!given_) {
        give(added_);  // the list down or off: the masters' servers that answered
    }
    std::vector<const ListedServer*> servers;
    for (const Servers* part : {list_.get(), &added_}) {
        if (part) {
            for (const ListedServer& server : *part) {
                servers.push_back(&server);
            }
        }
    }
    if (complete_) {
        complete_(servers);
    }
    cancel();
}

}  // namespace zerlin::servers
