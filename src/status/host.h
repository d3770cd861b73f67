#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/network.h"

// Reading the host and port of a server as the IP and port boxes or a bookmark row hold them.
namespace zerlin::status {

// A dotted IPv4 address: exactly four decimal numbers of 0 to 255 ("10.0.0.1"; no leading
// zeros, "+", spaces or shortened forms such as "127.1"); nothing for anything else.
std::optional<net::IpAddress> parseIpv4(std::string_view text);

// A dotted IPv4 address (as parseIpv4 reads it) or an IPv6 address ("::1", also in brackets,
// "[::1]"); nothing for anything else.
std::optional<net::IpAddress> parseIpAddress(std::string_view text);

// A host name the system's resolver can be asked about: labels of letters, digits, "-" and
// "_", split by dots, at most 253 characters, the last label not all digits (so that a broken
// IPv4 address such as "10.0.0.256" or "1.2.3" is never sent to a resolver).
bool isHostName(std::string_view text);

// A port as a box holds it: decimal digits only, 1 to 65535.
std::optional<std::uint16_t> parsePort(std::string_view text);

}  // namespace zerlin::status
