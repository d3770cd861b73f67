#include "servers/list_walk.h"

#include <atomic>
#include <utility>

#include "servers/address_rules.h"

namespace zerlin::servers {

// A page handed to the worker: the body, moved rather than copied, and what became of it.
struct ListWalk::Reading {
    std::string body;
    ReadLimits limits;
    bool loopback = false;
    std::atomic<bool> cancelled = false;
    Result<Page> page = Failure{"not read"};
};

ListWalk::ListWalk(net::HttpClient& http, Timer& deadline, Worker* worker)
    : http_(http), deadline_(deadline), worker_(worker) {
    deadline_.setHandler([this] {
        if (running_) {
            http_.cancel();
            finish(Failure{"the list took longer than 30 seconds"});
        }
    });
}

ListWalk::~ListWalk() {
    cancel();
    deadline_.setHandler({});
}

void ListWalk::start(std::string baseUrl,
                     std::function<void(Result<std::vector<ListedServer>>)> done) {
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
        stopReading();
    }
}

void ListWalk::stopReading() {
    if (reading_) {
        reading_->cancelled = true;
        reading_.reset();
    }
}

void ListWalk::ask(const std::string& url) {
    http_.get(url, kMaxJsonBytes - bytes_,
              [this](net::HttpResponse response) { answered(std::move(response)); });
}

void ListWalk::answered(net::HttpResponse response) {
    if (!running_) {
        return;
    }
    if (!response.answered) {
        finish(Failure{response.error});
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
        finish(Failure{"HTTP status " + std::to_string(response.status)});
        return;
    }
    ReadLimits limits;
    // Never more servers built than the walk can still keep.
    limits.maxServers = kMaxServers - servers_.size();
    if (!worker_) {
        pageRead(readPage(response.body, loopbackList_, limits));
        return;
    }
    auto reading = std::make_shared<Reading>();
    reading->body = std::move(response.body);
    reading->limits = limits;
    reading->limits.cancelled = &reading->cancelled;
    reading->loopback = loopbackList_;
    reading_ = reading;
    worker_->run(
        [reading] {
            reading->page = readPage(reading->body, reading->loopback, reading->limits);
            reading->body = std::string();  // its memory back at once
        },
        [this, reading, life = std::weak_ptr<int>(life_)] {
            if (life.expired() || reading_ != reading) {
                return;  // the walk ended or started over meanwhile
            }
            reading_.reset();
            pageRead(std::move(reading->page));
        });
}

void ListWalk::pageRead(Result<Page> read) {
    if (!read) {
        finish(Failure{read.error()});
        return;
    }
    Page* page = &read.value();
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
        finish({});
        return;
    }
    ask(nextPageUrl(base_, *page));
}

void ListWalk::finish(const Status& end) {
    running_ = false;
    deadline_.stop();
    stopReading();
    Result<std::vector<ListedServer>> outcome =
        end ? Result<std::vector<ListedServer>>(std::move(servers_)) : Failure{end.error()};
    servers_.clear();
    seen_.clear();
    if (outcome && complete_) {
        complete_(outcome.value());
    }
    // Last, since the handler may start the next walk.
    if (done_) {
        const auto done = done_;
        done(std::move(outcome));
    }
}

}  // namespace zerlin::servers
