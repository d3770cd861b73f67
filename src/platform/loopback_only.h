#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/network.h"
#include "platform/tcp.h"
#include "platform/timer.h"

// The guard that ZERLIN_STATUS_LOOPBACK_ONLY puts around the status network, so that test data
// never leaves the machine: no datagram nor connection but to a loopback address, no name looked
// up but localhost's.
namespace zerlin::net {

// 127.0.0.0/8 and ::1; an IPv4-mapped IPv6 address (::ffff:127.0.0.2) is judged by its IPv4
// form.
bool isLoopback(const IpAddress& address);

// "localhost" and the names under it ("a.localhost"), in any letter case, with or without the
// final dot: the names a resolver answers without asking the network.
bool isLoopbackName(std::string_view name);

// Refuses to send anywhere but the loopback addresses.
class LoopbackOnlySocket : public DatagramSocket {
  public:
    explicit LoopbackOnlySocket(DatagramSocket& socket) : socket_(socket) {}
    void setReceiveHandler(ReceiveHandler handler) override;
    bool send(const Endpoint& to, std::string_view bytes) override;

  private:
    DatagramSocket& socket_;
};

// Refuses to connect anywhere but the loopback addresses.
class LoopbackOnlyTcp : public TcpNetwork {
  public:
    explicit LoopbackOnlyTcp(TcpNetwork& network) : network_(network) {}
    std::unique_ptr<TcpConnection> connect(const Endpoint& to,
                                           TcpConnection::Handlers handlers) override;

  private:
    TcpNetwork& network_;
};

// Looks up loopback names only; any other name is answered with no address, later, through
// the timer, as a look-up answers.
class LoopbackOnlyResolver : public HostResolver {
  public:
    LoopbackOnlyResolver(HostResolver& resolver, Timer& timer);
    ~LoopbackOnlyResolver() override;
    LoopbackOnlyResolver(const LoopbackOnlyResolver&) = delete;
    LoopbackOnlyResolver& operator=(const LoopbackOnlyResolver&) = delete;

    void lookUp(const std::string& hostName, Handler handler) override;

  private:
    void answerRefused();

    HostResolver& resolver_;
    Timer& timer_;
    std::vector<Handler> refused_;
};

}  // namespace zerlin::net
