#pragma once

#include <span>
#include <string>
#include <vector>

#include "friends/friend_patterns.h"

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

}  // namespace zerlin::friends
