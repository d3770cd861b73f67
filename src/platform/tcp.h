#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/network.h"

// What the master servers need of the network: a TCP connection to an address, bytes written to
// it and the bytes it sends until it closes. Everything runs on the event loop's thread: the
// handlers are called from it, never from inside a call made to these, never after the
// connection's end.
namespace zerlin::net {

class TcpConnection {
  public:
    struct Handlers {
        std::function<void()> connected;
        // Bytes as they come, in order.
        std::function<void(std::string_view bytes)> received;
        // The other end closed the connection, after every byte it sent was received.
        std::function<void()> closed;
        // The connection could not be made or broke (refused, reset, unreachable): why.
        std::function<void(const std::string& error)> failed;
    };

    // Drops the connection at once; no handler is called after.
    virtual ~TcpConnection() = default;
    // Queues the bytes for sending; false when the connection cannot take them.
    virtual bool write(std::string_view bytes) = 0;
};

class TcpNetwork {
  public:
    virtual ~TcpNetwork() = default;
    // Starts connecting; none when no connection can be tried there at all.
    virtual std::unique_ptr<TcpConnection> connect(const Endpoint& to,
                                                   TcpConnection::Handlers handlers) = 0;
};

}  // namespace zerlin::net
