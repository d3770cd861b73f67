#include "friends/friend_arrivals.h"

#include <set>

namespace zerlin::friends {

std::vector<Arrival> FriendArrivals::refresh(const std::vector<ServerSnapshot>& servers,
                                             const FriendPatterns& friends, Time now) {
    std::set<std::string> listed;
    std::set<std::string> seen;
    std::vector<Arrival> arrivals;
    for (const ServerSnapshot& server : servers) {
        listed.insert(server.key);
        for (const std::string& player : friendsOn(server, friends)) {
            if (!seen.insert(player).second) {
                continue;  // on two servers at once: the first one counts
            }
            Friend& known = friends_[player];
            const bool arrives = !known.playing;
            const bool quiet = known.announced && now - *known.announced < kQuietTime;
            if (arrives && !quiet) {
                known.announced = now;
                arrivals.push_back(Arrival{player, server});
            }
            known.server = server.key;
            known.playing = true;
            known.kept = false;
        }
    }
    for (auto it = friends_.begin(); it != friends_.end();) {
        Friend& known = it->second;
        if (!seen.contains(it->first) && known.playing) {
            const bool serverMissing = !listed.contains(known.server);
            if (serverMissing && !known.kept && friends.matches(it->first)) {
                known.kept = true;
            } else {
                known.playing = false;
                known.kept = false;
            }
        }
        // Once quiet, a friend who is gone is as one never seen.
        const bool quiet = known.announced && now - *known.announced < kQuietTime;
        it = !known.playing && !quiet ? friends_.erase(it) : std::next(it);
    }
    return arrivals;
}

}  // namespace zerlin::friends
