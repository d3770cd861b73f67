#include "servers/ping_plan.h"

#include <unordered_map>

#include "status/host.h"

namespace zerlin::servers {

namespace {

// The address as one number, so that two spellings of it count together.
std::uint32_t addressKey(const std::string& ip) {
    const std::optional<net::IpAddress> address = status::parseIpv4(ip);
    if (!address) {
        return 0;
    }
    const auto& b = address->bytes;
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

}  // namespace

std::vector<status::Request> planPings(std::vector<ServerRow>& rows, std::size_t from) {
    std::vector<status::Request> targets;
    std::unordered_map<std::uint32_t, std::size_t> asked;
    for (std::size_t i = 0; i < from && i < rows.size(); ++i) {
        if (rows[i].notPinged == NotPinged::No) {
            ++asked[addressKey(rows[i].listed.ip)];
        }
    }
    for (std::size_t i = from; i < rows.size(); ++i) {
        ServerRow& row = rows[i];
        const ListedServer& server = row.listed;
        if (server.queryPort < kLowestQueryPort) {
            row.notPinged = NotPinged::LowQueryPort;
            continue;
        }
        std::size_t& count = asked[addressKey(server.ip)];
        if (count >= kMaxPingsPerAddress) {
            row.notPinged = NotPinged::CrowdedAddress;
            continue;
        }
        ++count;
        row.notPinged = NotPinged::No;
        targets.push_back(pingRequest(row));
    }
    return targets;
}

status::Request pingRequest(const ServerRow& row) {
    const ListedServer& server = row.listed;
    return {status::listedServer(server.ip, server.port),
            server.queryPort > 0 ? std::optional(server.queryPort) : std::nullopt};
}

}  // namespace zerlin::servers
