#pragma once

#include <string_view>

#include "platform/network.h"

// The guard that ZERLIN_STATUS_LOOPBACK_ONLY puts around the status network, so that test data
// never leaves the machine.
namespace zerlin::net {

// 127.0.0.0/8, ::1, and an IPv4-mapped IPv6 address (::ffff:127.0.0.2) judged by its IPv4 form.
bool isLoopback(const IpAddress& address);

// Refuses to send anywhere but the loopback addresses.
class LoopbackOnlySocket : public DatagramSocket {
  public:
    explicit LoopbackOnlySocket(DatagramSocket& socket) : socket_(socket) {}
    void setReceiveHandler(ReceiveHandler handler) override;
    bool send(const Endpoint& to, std::string_view bytes) override;

  private:
    DatagramSocket& socket_;
};

}  // namespace zerlin::net
