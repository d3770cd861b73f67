#include "friends/server_snapshot.h"

#include <algorithm>

#include "friends/playing_friends.h"

namespace zerlin::friends {

std::size_t playingCount(std::size_t listed, int numPlayers) {
    return std::min(listed, static_cast<std::size_t>(std::max(numPlayers, 0)));
}

std::span<const std::string> ServerSnapshot::playing() const {
    return std::span<const std::string>(players).first(playingCount(players.size(), numPlayers));
}

std::vector<std::string> friendsOn(const ServerSnapshot& server, const FriendPatterns& friends) {
    return playingFriends(server.players, server.numPlayers, friends);
}

}  // namespace zerlin::friends
