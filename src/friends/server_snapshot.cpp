#include "friends/server_snapshot.h"

#include <algorithm>

namespace zerlin::friends {

std::span<const std::string> ServerSnapshot::playing() const {
    const std::size_t count =
        std::min(players.size(), static_cast<std::size_t>(std::max(numPlayers, 0)));
    return std::span<const std::string>(players).first(count);
}

std::vector<std::string> friendsOn(const ServerSnapshot& server, const FriendPatterns& friends) {
    std::vector<std::string> found;
    if (friends.empty()) {
        return found;
    }
    for (const std::string& player : server.playing()) {
        if (friends.matches(player)) {
            found.push_back(player);
        }
    }
    return found;
}

}  // namespace zerlin::friends
