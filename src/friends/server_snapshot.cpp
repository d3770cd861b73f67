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

std::vector<std::string> friendsOn(const status::ServerStatus& server,
                                   const FriendPatterns& friends) {
    return playingFriends(server.players, server.numPlayers, friends, &status::PlayerStatus::name);
}

ServerSnapshot snapshotOf(std::string key, const status::ServerStatus& server) {
    ServerSnapshot snapshot;
    snapshot.key = std::move(key);
    snapshot.name = server.hostName;
    snapshot.map = server.mapName;
    snapshot.numPlayers = server.numPlayers;
    snapshot.maxPlayers = server.maxPlayers.value_or(0);
    snapshot.players.reserve(server.players.size());
    for (const status::PlayerStatus& player : server.players) {
        snapshot.players.push_back(player.name);
    }
    return snapshot;
}

}  // namespace zerlin::friends
