#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "friends/friend_patterns.h"
#include "friends/server_snapshot.h"

namespace zerlin::friends {

// A friend to announce: who, and the server they play on.
struct Arrival {
    std::string player;
    ServerSnapshot server;
};

// Tells, refresh after refresh of the server list, which friends have just started playing.
// A player is known by their name as the list gives it.
//
// - The friends playing at the first refresh are announced (they were not known to play).
// - A friend arrives again only after a whole refresh in which they played on no server.
//   A server that is missing from one refresh (lists lose a server for a minute now and then)
//   keeps the friends last seen on it for that refresh; missing from a second one in a row,
//   they are gone.
// - Playing on another server than before is no arrival.
// - A friend is announced at most once in kQuietTime; an arrival within it is not announced,
//   then or later.
// - A player the patterns stop matching is treated as gone; one they start matching who is
//   playing is announced as at the first refresh.
class FriendArrivals {
  public:
    using Time = std::chrono::microseconds;  // on a steady clock, as net::Clock gives
    static constexpr Time kQuietTime = std::chrono::minutes(10);

    // One complete refresh: the friends to announce, in the list's order. A refresh that
    // failed or was cut short must not be given, as every friend missing from it would leave.
    std::vector<Arrival> refresh(const std::vector<ServerSnapshot>& servers,
                                 const FriendPatterns& friends, Time now);

  private:
    struct Friend {
        std::string server;  // key of the server last seen on
        bool playing = false;
        bool kept = false;  // playing only because their server is missing from this refresh
        std::optional<Time> announced;
    };
    std::map<std::string, Friend> friends_;
};

}  // namespace zerlin::friends
