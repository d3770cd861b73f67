#pragma once

// An in-memory network for the server status: datagrams sent are recorded with their time,
// replies are handed in by the test; its clock moves only when the test moves it, and its timer
// ticks as time passes.

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "doubles/doubles.h"
#include "platform/network.h"
#include "status/host.h"

namespace zerlin::test {

class FakeNetwork : public net::DatagramSocket, public net::HostResolver {
  public:
    struct Sent {
        net::Endpoint to;
        std::string bytes;
        std::chrono::microseconds at;
    };

    // DatagramSocket
    void setReceiveHandler(ReceiveHandler handler) override { receive_ = std::move(handler); }
    bool send(const net::Endpoint& to, std::string_view bytes) override {
        sent.push_back({to, std::string(bytes), clock.now()});
        return true;
    }

    // HostResolver: names in `hosts` answer when the test calls answerLookUps().
    void lookUp(const std::string& hostName, Handler handler) override {
        lookUps.emplace_back(hostName, std::move(handler));
    }
    void answerLookUps() {
        auto pending = std::move(lookUps);
        lookUps.clear();
        for (auto& [name, handler] : pending) {
            const auto found = hosts.find(name);
            handler(found == hosts.end() ? std::vector<net::IpAddress>{} : found->second);
        }
    }

    std::chrono::microseconds now() const { return clock.now(); }
    // Moves the clock to `until`, ticking the timer at each time it was armed for on the way.
    void runUntil(std::chrono::microseconds until) { timer.runUntil(until); }
    void runFor(std::chrono::microseconds time) { timer.runFor(time); }

    // A datagram arriving now from the endpoint.
    void deliver(const net::Endpoint& from, const std::string& bytes) {
        if (receive_) {
            receive_(from, bytes);
        }
    }

    // The datagrams sent to an endpoint.
    std::vector<Sent> sentTo(const net::Endpoint& to) const {
        std::vector<Sent> out;
        for (const Sent& s : sent) {
            if (s.to == to) {
                out.push_back(s);
            }
        }
        return out;
    }

    std::vector<Sent> sent;
    std::vector<std::pair<std::string, Handler>> lookUps;
    std::map<std::string, std::vector<net::IpAddress>> hosts;

    FakeClock clock{std::chrono::seconds(1)};
    FakeTimer timer{clock};

  private:
    ReceiveHandler receive_;
};

inline net::Endpoint endpoint(const std::string& ip, std::uint16_t port) {
    return {*status::parseIpAddress(ip), port};
}

// A status reply as the game's servers send it, split into parts: the pairs are given as one
// text "\key\value...", cut before the pair numbers given.
inline std::vector<std::string> replyParts(const std::string& pairs, const std::string& id,
                                           std::vector<std::size_t> cuts = {}) {
    std::size_t start = 0;
    std::vector<std::size_t> pairStarts;
    for (std::size_t i = 0, count = 0; i < pairs.size(); ++i) {
        if (pairs[i] == '\\') {
            if (count % 2 == 0) {
                pairStarts.push_back(i);
            }
            ++count;
        }
    }
    std::vector<std::string> parts;
    cuts.push_back(pairStarts.size());
    for (std::size_t c = 0; c < cuts.size(); ++c) {
        const std::size_t end = cuts[c] < pairStarts.size() ? pairStarts[cuts[c]] : pairs.size();
        std::string part = pairs.substr(start, end - start);
        if (c + 1 == cuts.size()) {
            part += "\\final\\";
        }
        parts.push_back(part + "\\queryid\\" + id + "." + std::to_string(c + 1));
        start = end;
    }
    return parts;
}

}  // namespace zerlin::test
