#pragma once

// An in-memory web for the server list: requests are recorded, and the test answers them in
// its own time; a manual alarm stands for the refresh's deadline.

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/http.h"
#include "platform/network.h"
#include "platform/timer.h"

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

class ManualAlarm : public Timer {
  public:
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    void start(std::chrono::microseconds delay) override { armed = delay; }
    void stop() override { armed.reset(); }
    bool isActive() const override { return armed.has_value(); }
    void ring() {
        if (armed && handler_) {
            armed.reset();
            handler_();
        }
    }

    std::optional<std::chrono::microseconds> armed;

  private:
    std::function<void()> handler_;
};

}  // namespace zerlin::test
