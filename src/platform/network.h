#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

// What the server status needs of the network: datagrams to and from an address, host names
// looked up without blocking and a steady clock (its timer is platform/timer.h). Everything runs on
// the one thread of the event loop: handlers are called from it, never from inside a call made to
// these.
namespace zerlin::net {

// An IPv4 or IPv6 address in network byte order. IPv4 uses the first four bytes.
struct IpAddress {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};

    friend bool operator==(const IpAddress&, const IpAddress&) = default;
    friend bool operator<(const IpAddress& a, const IpAddress& b) {
        return std::tie(a.v6, a.bytes) < std::tie(b.v6, b.bytes);
    }
};

// The IPv4 form of an IPv4-mapped IPv6 address (::ffff:10.0.0.1 is 10.0.0.1), any other address
// as it is: addresses are judged and compared in this form, as a dual-stack socket reports an
// IPv4 sender in it.
inline IpAddress unmapped(const IpAddress& address) {
    const auto& b = address.bytes;
    const bool mapped =
        address.v6 && b[10] == 0xFF && b[11] == 0xFF &&
        std::all_of(b.begin(), b.begin() + 10, [](std::uint8_t x) { return x == 0; });
    if (!mapped) {
        return address;
    }
    IpAddress v4;
    std::copy(b.begin() + 12, b.end(), v4.bytes.begin());
    return v4;
}

struct Endpoint {
    IpAddress address;
    std::uint16_t port = 0;

    friend bool operator==(const Endpoint&, const Endpoint&) = default;
    friend bool operator<(const Endpoint& a, const Endpoint& b) {
        return std::tie(a.address, a.port) < std::tie(b.address, b.port);
    }
};

// A non-blocking UDP socket that can reach IPv4 and IPv6 addresses.
class DatagramSocket {
  public:
    using ReceiveHandler = std::function<void(const Endpoint& from, std::string_view bytes)>;

    virtual ~DatagramSocket() = default;
    // Called for every datagram received, with its sender (an IPv4 sender as IPv4, also when
    // it reached an IPv6 socket).
    virtual void setReceiveHandler(ReceiveHandler handler) = 0;
    // Queues one datagram for sending and returns at once; false when it could not be.
    virtual bool send(const Endpoint& to, std::string_view bytes) = 0;
};

// Looks host names up through the system's resolver without blocking.
class HostResolver {
  public:
    // The addresses found, in the resolver's order; none when the name is unknown.
    using Handler = std::function<void(std::vector<IpAddress> addresses)>;

    virtual ~HostResolver() = default;
    // The handler is called once, later, from the event loop; never after the resolver is
    // destroyed.
    virtual void lookUp(const std::string& hostName, Handler handler) = 0;
};

// A steady clock: never jumps, counts from an arbitrary start.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::chrono::microseconds now() const = 0;
};

}  // namespace zerlin::net
