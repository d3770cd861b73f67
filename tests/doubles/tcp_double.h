#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "doubles/network_doubles.h"
#include "platform/tcp.h"

namespace zerlin::test {

// An in-memory TCP: each connection made is kept open for the test to answer through its
// handlers, and says what was written to it.
class FakeTcp : public net::TcpNetwork {
  public:
    class Connection : public net::TcpConnection {
      public:
        Connection(FakeTcp& tcp, net::Endpoint to, Handlers handlers)
            : handlers(std::move(handlers)), to(to), tcp_(tcp) {
            tcp_.open.push_back(this);
        }
        ~Connection() override { std::erase(tcp_.open, this); }
        Connection(const Connection&) = delete;
        Connection& operator=(const Connection&) = delete;
        bool write(std::string_view bytes) override {
            written += bytes;
            return true;
        }

        Handlers handlers;
        net::Endpoint to;
        std::string written;

      private:
        FakeTcp& tcp_;
    };

    std::unique_ptr<net::TcpConnection> connect(const net::Endpoint& to,
                                                net::TcpConnection::Handlers handlers) override {
        connects.push_back(to);
        return std::make_unique<Connection>(*this, to, std::move(handlers));
    }
    // The connection to an address, if one is open.
    Connection* to(const std::string& ip) {
        const auto found = std::find_if(open.begin(), open.end(), [&](Connection* c) {
            return c->to.address == endpoint(ip, 1).address;
        });
        return found == open.end() ? nullptr : *found;
    }

    std::vector<Connection*> open;
    std::vector<net::Endpoint> connects;
};

// A master's record of a server: its IPv4 and query port, 6 bytes in network order.
inline std::string record(const std::string& ip, int port) {
    const net::IpAddress a = endpoint(ip, 1).address;
    return {static_cast<char>(a.bytes[0]), static_cast<char>(a.bytes[1]),
            static_cast<char>(a.bytes[2]), static_cast<char>(a.bytes[3]),
            static_cast<char>(port >> 8),  static_cast<char>(port & 0xFF)};
}

}  // namespace zerlin::test
