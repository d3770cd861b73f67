#pragma once

#include <optional>
#include <string_view>

#include "platform/network.h"

// Which servers a list may make Zerlin show and ask: a list can never make it probe the user's
// own network. Listed addresses are read with status::parseIpv4.
namespace zerlin::servers {

// A public unicast IPv4 address: not unspecified, "this network", loopback, private, shared
// (100.64/10), link-local, the IETF's and documentation blocks, benchmarking, multicast,
// reserved or broadcast.
bool isPublicUnicast(const net::IpAddress& address);

bool isLoopback(const net::IpAddress& address);

// Whether the list at this URL is served from the machine itself (a 127.x.y.z host, "localhost"
// or "[::1]"): only such a list may name loopback servers, which is how the tests run.
bool servedFromLoopback(std::string_view url);

// Whether a listed server at this address may be shown and asked.
bool allowed(const net::IpAddress& address, bool listFromLoopback);

}  // namespace zerlin::servers
