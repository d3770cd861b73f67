#include "servers/server_sources.h"

#include <utility>

#include "servers/ping_plan.h"

namespace zerlin::servers {

ServerSources::ServerSources(ListWalk& walk, masters::MasterList* masters,
                             status::StatusService& status, Timer& timer)
    : walk_(walk), masters_(masters), asked_(status), timer_(timer) {
    asked_.setChangeHandler([this](const status::ServerKey& server) { pingChanged(server); });
    timer_.setHandler([this] { finish(); });
}

ServerSources::~ServerSources() {
    timer_.stop();
    timer_.setHandler({});
    cancel();
}

bool ServerSources::start(const std::string& listUrl, const std::string& masters, Done done) {
    cancel();
    done_ = std::move(done);
    running_ = true;
    walking_ = !listUrl.empty();
    asking_ = masters_ && masters_->start(masters, [this](std::vector<masters::MasterOutcome> o) {
        mastersAnswered(std::move(o));
    });
    if (!walking_ && !asking_) {
        running_ = false;
        done_ = nullptr;
        return false;
    }
    if (walking_) {
        walk_.start(listUrl, [this](Result<std::vector<ListedServer>> outcome) {
            walked(std::move(outcome));
        });
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
    running_ = walking_ = asking_ = listOk_ = false;
    list_.clear();
    outcomes_.clear();
    merged_.clear();
    unanswered_.clear();
    asked_.keepOnly({});
    done_ = nullptr;
}

void ServerSources::walked(Result<std::vector<ListedServer>> outcome) {
    walking_ = false;
    listOk_ = outcome.ok();
    if (listOk_) {
        list_ = std::move(outcome.value());
    }
    if (!asking_) {
        sourcesIn();
    }
}

void ServerSources::mastersAnswered(std::vector<masters::MasterOutcome> outcomes) {
    asking_ = false;
    outcomes_ = std::move(outcomes);
    if (!walking_) {
        sourcesIn();
    }
}

void ServerSources::sourcesIn() {
    bool reached = listOk_;
    for (const masters::MasterOutcome& outcome : outcomes_) {
        reached = reached || outcome.ok;
    }
    if (!reached) {
        Done done = std::move(done_);
        cancel();
        done(std::nullopt);
        return;
    }
    merged_ = mergeSources(list_, outcomes_);
    list_.clear();
    outcomes_.clear();
    // The masters' servers are asked as the list's are: the same limits on ports and on the
    // servers of one address, so that no master can make the program flood an address.
    std::vector<ServerRow> toAsk;
    for (const MergedServer& server : merged_) {
        if (server.toAsk) {
            toAsk.emplace_back(server.server);
        }
    }
    if (toAsk.empty()) {
        finish();
        return;
    }
    planPings(toAsk);
    std::vector<status::Request> requests;
    for (const ServerRow& row : toAsk) {
        if (row.notPinged == NotPinged::No) {
            const std::uint16_t port = row.listed.queryPort;
            requests.emplace_back(status::unknownGamePort(row.listed.ip, port), port);
            unanswered_.insert(requests.back().server);
        }
    }
    timer_.start(kMasterServersWait);
    asked_.refresh(requests);
    if (unanswered_.empty()) {
        timer_.start(std::chrono::milliseconds(0));
    }
}

void ServerSources::pingChanged(const status::ServerKey& server) {
    const auto found = unanswered_.find(server);
    if (found == unanswered_.end()) {
        return;
    }
    const status::ServerState& state = asked_.state(server);
    if (state.asking || !state.ended) {
        return;
    }
    unanswered_.erase(found);
    if (unanswered_.empty()) {
        // Not from inside the service's report: the result is shown, and asked, from the timer.
        timer_.start(std::chrono::milliseconds(0));
    }
}

void ServerSources::finish() {
    timer_.stop();
    if (!running_ || walking_ || asking_) {
        return;
    }
    std::vector<ListedServer> servers;
    servers.reserve(merged_.size());
    std::set<status::ServerKey> shown;
    for (MergedServer& merged : merged_) {
        ListedServer& server = merged.server;
        if (merged.toAsk) {
            const status::ServerState& state =
                asked_.state(status::unknownGamePort(server.ip, server.queryPort));
            const std::optional<int> port =
                state.answer ? state.answer->status.hostPort : std::nullopt;
            if (!port || *port < 1 || *port > 65535) {
                continue;  // no answer, or none that says where to join
            }
            server.port = static_cast<std::uint16_t>(*port);
            server.info = state.answer->status;
        }
        // One row a server: a master's server at the game port of one listed already (at
        // another query port) is that one.
        if (!shown.insert(status::listedServer(server.ip, server.port)).second) {
            continue;
        }
        server.listedBy = std::move(merged.listedBy);
        servers.push_back(std::move(server));
    }
    Done done = std::move(done_);
    cancel();
    if (complete_) {
        complete_(servers);
    }
    if (done) {
        done(std::move(servers));
    }
}

}  // namespace zerlin::servers
