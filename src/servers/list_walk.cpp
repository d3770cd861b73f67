#include "servers/list_walk.h"

#include <utility>

#include "servers/address_rules.h"

namespace zerlin::servers {

ListWalk::ListWalk(net::HttpClient& http, Timer& deadline) : http_(http), deadline_(deadline) {
    deadline_.setHandler([this] {
        if (running_) {
            http_.cancel();
            finish(false, "the list took longer than 30 seconds");
        }
    });
}

ListWalk::~ListWalk() {
    cancel();
    deadline_.setHandler({});
}

void ListWalk::start(std::string baseUrl, std::function<void(WalkOutcome)> done) {
    cancel();
    done_ = std::move(done);
    base_ = std::move(baseUrl);
    loopbackList_ = servedFromLoopback(base_);
    running_ = true;
    restarted_ = false;
    pages_ = 0;
    bytes_ = 0;
    servers_.clear();
    seen_.clear();
    deadline_.start(kRefreshTime);
    ask(firstPageUrl(base_));
}

void ListWalk::cancel() {
    if (running_) {
        running_ = false;
        http_.cancel();
        deadline_.stop();
    }
}

void ListWalk::ask(const std::string& url) {
    http_.get(url, kMaxJsonBytes - bytes_,
              [this](const net::HttpResponse& response) { answered(response); });
}

void ListWalk::answered(const net::HttpResponse& response) {
    if (!running_) {
        return;
    }
    if (!response.answered) {
        finish(false, response.error);
        return;
    }
    ++pages_;
    bytes_ += response.body.size();
    if (response.status == 410 && !restarted_) {
        // The cursor expired: everything so far may have moved, so start again from the top.
        restarted_ = true;
        servers_.clear();
        seen_.clear();
        ask(firstPageUrl(base_));
        return;
    }
    if (response.status != 200) {
        finish(false, "HTTP status " + std::to_string(response.status));
        return;
    }
    std::optional<Page> page = parsePage(response.body, loopbackList_);
    if (!page) {
        finish(false, "the answer is no JSON object");
        return;
    }
    for (ListedServer& server : page->servers) {
        if (servers_.size() >= kMaxServers) {
            break;
        }
        if (seen_.emplace(server.ip, server.port).second) {
            servers_.push_back(std::move(server));
        }
    }
    if (!page->hasMore || page->lastIp.empty() || servers_.size() >= kMaxServers ||
        pages_ >= kMaxPages || bytes_ >= kMaxJsonBytes) {
        finish(true, {});
        return;
    }
    ask(nextPageUrl(base_, *page));
}

void ListWalk::finish(bool ok, std::string failure) {
    running_ = false;
    deadline_.stop();
    WalkOutcome outcome{ok, ok ? std::move(servers_) : std::vector<ListedServer>{},
                        std::move(failure)};
    servers_.clear();
    seen_.clear();
    if (ok && complete_) {
        complete_(outcome);
    }
    // Last, since the handler may start the next walk.
    if (done_) {
        const auto done = done_;
        done(std::move(outcome));
    }
}

}  // namespace zerlin::servers
