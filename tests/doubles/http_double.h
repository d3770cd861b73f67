#pragma once

// An in-memory web for the server list: requests are recorded, and the test answers them in
// its own time.

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/http.h"

namespace zerlin::test {

class FakeHttp : public net::HttpClient {
  public:
    struct Request {
        std::string url;
        std::size_t maxBytes = 0;
        Handler handler;
    };

    void get(const std::string& url, std::size_t maxBytes, Handler handler) override {
        urls.push_back(url);
        pending.push_back({url, maxBytes, std::move(handler)});
    }
    void cancel() override {
        pending.clear();
        ++cancels;
    }

    // Answers the oldest request under way; false when there is none.
    bool answer(int status, const std::string& body) { return reply({true, status, body, {}}); }
    bool fail(const std::string& error) { return reply({false, 0, {}, error}); }
    bool reply(net::HttpResponse response) {
        if (pending.empty()) {
            return false;
        }
        Request request = std::move(pending.front());
        pending.pop_front();
        request.handler(std::move(response));
        return true;
    }

    std::vector<std::string> urls;  // every URL asked, in order
    std::deque<Request> pending;
    int cancels = 0;
};

}  // namespace zerlin::test
