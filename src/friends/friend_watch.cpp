#include "friends/friend_watch.h"

namespace zerlin::friends {

FriendWatch::FriendWatch(Notifier& notifier, Join join)
    : notifier_(notifier), join_(std::move(join)) {}

void FriendWatch::refreshed(const std::vector<ServerSnapshot>& servers, FriendArrivals::Time now) {
    for (Arrival& arrival : arrivals_.refresh(servers, friends_, now)) {
        const std::string summary = arrivalSummary(arrival);
        const std::string body = arrivalBody(arrival);
        // The server as the notification showed it: a later refresh may have dropped it.
        notifier_.notifyWithAction(
            summary, body, "Join",
            [join = join_, server = std::move(arrival.server)] { join(server); });
    }
}

namespace {

// Some notification services read markup in the summary as well as in the body, and only the
// body is escaped: a name that could be taken for markup goes to the body.
bool fitsSummary(const std::string& name) {
    return name.find_first_of("<>&") == std::string::npos;
}

}  // namespace

std::string arrivalSummary(const Arrival& arrival) {
    return fitsSummary(arrival.player) ? arrival.player + " is playing" : "A friend is playing";
}

std::string arrivalBody(const Arrival& arrival) {
    const ServerSnapshot& server = arrival.server;
    std::string body = fitsSummary(arrival.player) ? "" : arrival.player + " is playing · ";
    body += server.name.empty() ? server.key : server.name;
    body += " · " + std::to_string(server.numPlayers) + "/" + std::to_string(server.maxPlayers);
    if (!server.map.empty()) {
        body += " · " + server.map;
    }
    return body;
}

}  // namespace zerlin::friends
