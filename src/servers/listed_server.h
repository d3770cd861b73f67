#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "status/server_status.h"

namespace zerlin::servers {

// One server as the community's list names it, after the address rules let it through.
struct ListedServer {
    std::string ip;  // dotted IPv4, as checked
    std::uint16_t port = 0;
    std::uint16_t queryPort = status::kFirstQueryPort;  // none named: the game's own
    // What the list says of it, in the status query's terms so that one answer can stand in
    // for the other: hostName, mapName, gameType, gameVersion, activeMods (the mod), players...
    status::ServerStatus info;
    // The sources that list it ("the community list", masters by their host as set); none for
    // a server of a kept list or one played recently.
    std::vector<std::string> listedBy;

    // "IP:port", as the boxes and bookmarks hold it.
    std::string address() const { return ip + ":" + std::to_string(port); }
};

}  // namespace zerlin::servers
