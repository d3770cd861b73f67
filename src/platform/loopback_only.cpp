#include "platform/loopback_only.h"

#include <algorithm>
#include <utility>

#include "text/ascii.h"

namespace zerlin::net {

bool isLoopback(const IpAddress& address) {
    const IpAddress plain = unmapped(address);
    if (!plain.v6) {
        return plain.bytes[0] == 127;
    }
    return std::all_of(plain.bytes.begin(), plain.bytes.end() - 1,
                       [](std::uint8_t byte) { return byte == 0; }) &&
           plain.bytes[15] == 1;
}

bool isLoopbackName(std::string_view name) {
    if (!name.empty() && name.back() == '.') {
        name.remove_suffix(1);
    }
    constexpr std::string_view kLocal = "localhost";
    const auto endsWithLocal = [&](std::string_view host) {
        return host.size() >= kLocal.size() &&
               std::equal(kLocal.begin(), kLocal.end(), host.end() - kLocal.size(),
                          [](char a, char b) { return a == text::toLowerAscii(b); });
    };
    if (!endsWithLocal(name)) {
        return false;
    }
    // The name itself, or a name under it: "a.localhost", never "notlocalhost".
    return name.size() == kLocal.size() ||
           (name.size() > kLocal.size() + 1 && name[name.size() - kLocal.size() - 1] == '.');
}

void LoopbackOnlySocket::setReceiveHandler(ReceiveHandler handler) {
    socket_.setReceiveHandler(std::move(handler));
}

bool LoopbackOnlySocket::send(const Endpoint& to, std::string_view bytes) {
    return isLoopback(to.address) && socket_.send(to, bytes);
}

std::unique_ptr<TcpConnection> LoopbackOnlyTcp::connect(const Endpoint& to,
                                                        TcpConnection::Handlers handlers) {
    if (!isLoopback(to.address)) {
        return nullptr;
    }
    return network_.connect(to, std::move(handlers));
}

LoopbackOnlyResolver::LoopbackOnlyResolver(HostResolver& resolver, Timer& timer)
    : resolver_(resolver), timer_(timer) {
    timer_.setHandler([this] { answerRefused(); });
}

LoopbackOnlyResolver::~LoopbackOnlyResolver() {
    timer_.setHandler({});
    timer_.stop();
}

void LoopbackOnlyResolver::lookUp(const std::string& hostName, Handler handler) {
    if (isLoopbackName(hostName)) {
        resolver_.lookUp(hostName, std::move(handler));
        return;
    }
    refused_.push_back(std::move(handler));
    timer_.start(std::chrono::microseconds(0));
}

void LoopbackOnlyResolver::answerRefused() {
    for (const Handler& handler : std::exchange(refused_, {})) {
        handler({});
    }
}

}  // namespace zerlin::net
