#include "servers/address_rules.h"

#include <cstdint>
#include <string>

#include "status/host.h"
#include "text/ascii.h"

namespace zerlin::servers {

bool isLoopback(const net::IpAddress& address) {
    return !address.v6 && address.bytes[0] == 127;
}

bool isPublicUnicast(const net::IpAddress& address) {
    if (address.v6) {
        return false;
    }
    const auto& b = address.bytes;
    const auto in = [&b](std::uint8_t first, std::uint8_t second, int prefix) {
        const std::uint32_t value = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16);
        const std::uint32_t net = (std::uint32_t{first} << 24) | (std::uint32_t{second} << 16);
        const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
        return (value & mask) == (net & mask);
    };
    const auto block24 = [&b](std::uint8_t x, std::uint8_t y, std::uint8_t z) {
        return b[0] == x && b[1] == y && b[2] == z;
    };
    return !(b[0] == 0                 // unspecified, "this network"
             || b[0] == 10             // private
             || in(100, 64, 10)        // shared address space (carrier NAT)
             || b[0] == 127            // loopback
             || in(169, 254, 16)       // link-local
             || in(172, 16, 12)        // private
             || block24(192, 0, 0)     // IETF protocol assignments
             || block24(192, 0, 2)     // documentation
             || block24(192, 88, 99)   // 6to4 relay, deprecated
             || in(192, 168, 16)       // private
             || in(198, 18, 15)        // benchmarking
             || block24(198, 51, 100)  // documentation
             || block24(203, 0, 113)   // documentation
             || b[0] >= 224);          // multicast, reserved, broadcast
}

bool servedFromLoopback(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) {
        return false;
    }
    std::string_view authority = url.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (authority.starts_with("[")) {
        return authority.substr(0, authority.find(']') + 1) == "[::1]";
    }
    const std::string_view host = authority.substr(0, authority.find(':'));
    if (text::toLowerAscii(host) == "localhost") {
        return true;
    }
    const std::optional<net::IpAddress> address = status::parseIpv4(host);
    return address && isLoopback(*address);
}

bool allowed(const net::IpAddress& address, bool listFromLoopback) {
    return isPublicUnicast(address) || (listFromLoopback && isLoopback(address));
}

}  // namespace zerlin::servers
