#pragma once

#include <functional>
#include <string>
#include <vector>

#include "friends/friend_arrivals.h"
#include "friends/friend_patterns.h"
#include "friends/server_snapshot.h"
#include "platform/desktop.h"

namespace zerlin::friends {

// Tells the user, through desktop notifications, when a friend starts playing, with an action
// that joins the friend's server.
class FriendWatch {
  public:
    using Join = std::function<void(const ServerSnapshot& server)>;

    FriendWatch(Notifier& notifier, Join join);

    void setFriends(FriendPatterns friends) { friends_ = std::move(friends); }
    const FriendPatterns& friends() const { return friends_; }

    // One complete refresh of the server list, at now on a steady clock.
    void refreshed(const std::vector<ServerSnapshot>& servers, FriendArrivals::Time now);

  private:
    Notifier& notifier_;
    Join join_;
    FriendPatterns friends_;
    FriendArrivals arrivals_;
};

// The notification of an arrival: "<player> is playing", and the server as
// "<name> · <players>/<maximum> · <map>". A name holding "<", ">" or "&" is left out of the
// summary ("A friend is playing") and starts the body instead: "<player> is playing · ...".
std::string arrivalSummary(const Arrival& arrival);
std::string arrivalBody(const Arrival& arrival);

}  // namespace zerlin::friends
