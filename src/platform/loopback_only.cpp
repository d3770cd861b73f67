#include "platform/loopback_only.h"

#include <algorithm>
#include <utility>

namespace zerlin::net {

bool isLoopback(const IpAddress& address) {
    if (!address.v6) {
        return address.bytes[0] == 127;
    }
    const auto zero = [](std::uint8_t byte) { return byte == 0; };
    const auto* bytes = address.bytes.data();
    if (std::all_of(bytes, bytes + 10, zero) && bytes[10] == 0xFF && bytes[11] == 0xFF) {
        return bytes[12] == 127;  // IPv4-mapped
    }
    return std::all_of(bytes, bytes + 15, zero) && bytes[15] == 1;
}

void LoopbackOnlySocket::setReceiveHandler(ReceiveHandler handler) {
    socket_.setReceiveHandler(std::move(handler));
}

bool LoopbackOnlySocket::send(const Endpoint& to, std::string_view bytes) {
    return isLoopback(to.address) && socket_.send(to, bytes);
}

}  // namespace zerlin::net
