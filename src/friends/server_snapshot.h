#pragma once

#include <span>
#include <string>
#include <vector>

#include "friends/friend_patterns.h"
#include "status/server_status.h"

namespace zerlin::friends {

// One server as one refresh of the server list saw it: what telling of a friend there needs.
// Texts are UTF-8.
struct ServerSnapshot {
    std::string key;  // names the same server in every refresh (its address and game port)
    std::string name;
    std::string map;
    int numPlayers = 0;
    int maxPlayers = 0;
    // In the server's order. Servers keep players who left behind the first numPlayers
    // entries; those are not on the server.
    std::vector<std::string> players;

    // The players on the server: the first numPlayers entries (as many as there are).
    std::span<const std::string> playing() const;
};

// The players on the server whose names match, in the server's order.
std::vector<std::string> friendsOn(const ServerSnapshot& server, const FriendPatterns& friends);
// The same of a server's status, as the list or the server's own answer gives it: what marks a
// row of the Servers window and names friends in a bookmark's tooltip.
std::vector<std::string> friendsOn(const status::ServerStatus& server,
                                   const FriendPatterns& friends);

// The server as the friends' watch keeps it from one refresh: key names it from one refresh to
// the next (its address and game port).
ServerSnapshot snapshotOf(std::string key, const status::ServerStatus& server);

}  // namespace zerlin::friends
