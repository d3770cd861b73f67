#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/http.h"
#include "platform/result.h"
#include "platform/timer.h"
#include "platform/worker.h"
#include "servers/listed_server.h"
#include "servers/page.h"

namespace zerlin::servers {

inline constexpr std::size_t kMaxServers = 10'000;
inline constexpr int kMaxPages = 100;
inline constexpr std::size_t kMaxJsonBytes = 16 * 1024 * 1024;  // all pages of a refresh
inline constexpr std::chrono::microseconds kRefreshTime = std::chrono::seconds(30);

// Gets the whole list, page after page: each next page is asked with the cursor of the one
// before and the address of its last entry. A cursor that expired (410) starts the walk over
// from the first page, once. A failed request, a body that is no JSON, any other status than
// 200, a page past the reader's limits or the whole walk taking longer than kRefreshTime ends it
// as failed. A server listed twice is kept once; past kMaxServers servers or kMaxPages pages the
// walk ends with what it has. A page cut short by a number out of range gives the servers before
// it, and the walk goes on.
class ListWalk {
  public:
    // worker: where pages are read; none: at once, on the event loop's thread.
    ListWalk(net::HttpClient& http, Timer& deadline, Worker* worker = nullptr);
    ~ListWalk();
    ListWalk(const ListWalk&) = delete;
    ListWalk& operator=(const ListWalk&) = delete;

    // Starts a walk, dropping one under way. done is called once, from the event loop, with the
    // servers, or with why the walk failed (for the curious; the user sees one line).
    void start(std::string baseUrl, std::function<void(Result<std::vector<ListedServer>>)> done);
    // Called with the servers of every walk that ends complete, before its own done, whoever
    // started it: the friends' watch sees the Servers window's refreshes as well as its own.
    void setCompleteHandler(std::function<void(const std::vector<ListedServer>&)> handler) {
        complete_ = std::move(handler);
    }
    // Drops the walk under way; done is not called.
    void cancel();
    bool running() const { return running_; }
    // Where pages are read: none, on the event loop's thread.
    Worker* worker() const { return worker_; }

  private:
    struct Reading;

    void ask(const std::string& url);
    void answered(net::HttpResponse response);
    void pageRead(Result<Page> read);
    void stopReading();
    // Ends the walk: with the servers gathered, or the failure.
    void finish(const Status& end);

    net::HttpClient& http_;
    Timer& deadline_;
    Worker* worker_;
    std::shared_ptr<Reading> reading_;  // the page being read by the worker
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    std::function<void(Result<std::vector<ListedServer>>)> done_;
    std::function<void(const std::vector<ListedServer>&)> complete_;
    std::string base_;
    bool loopbackList_ = false;
    bool running_ = false;
    bool restarted_ = false;
    int pages_ = 0;
    std::size_t bytes_ = 0;
    std::vector<ListedServer> servers_;
    std::set<std::pair<std::string, std::uint16_t>> seen_;
};

}  // namespace zerlin::servers
