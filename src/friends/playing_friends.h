#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "friends/friend_patterns.h"

namespace zerlin::friends {

// How many of the players a server lists are on it: servers keep players who left behind the
// first numPlayers entries, and those are not.
std::size_t playingCount(std::size_t listed, int numPlayers);

// Which players on a server are friends, in the server's order: those of the first numPlayers
// the server lists whose names the patterns match. The one rule for every place that tells of
// friends (the Servers window's rows, the bookmarks' tooltips, the notifications). nameOf gives
// a listed player's name as the server sent it.
template <typename Players, typename NameOf = std::identity>
std::vector<std::string> playingFriends(const Players& players, int numPlayers,
                                        const FriendPatterns& friends, NameOf nameOf = {}) {
    std::vector<std::string> found;
    if (friends.empty()) {
        return found;
    }
    const std::size_t on = playingCount(players.size(), numPlayers);
    for (std::size_t i = 0; i < on; ++i) {
        const std::string& name = std::invoke(nameOf, players[i]);
        if (friends.matches(name)) {
            found.push_back(name);
        }
    }
    return found;
}

}  // namespace zerlin::friends
