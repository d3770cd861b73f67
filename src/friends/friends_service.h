#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "friends/friend_patterns.h"
#include "friends/friend_watch.h"
#include "friends/server_snapshot.h"
#include "platform/desktop.h"
#include "platform/network.h"
#include "platform/settings_backend.h"
#include "platform/timer.h"

namespace zerlin::friends {

// The list is asked this often for the friends, unless the settings say otherwise.
inline constexpr std::chrono::seconds kAskPeriod = std::chrono::minutes(2);

// How often the settings say to ask the list for the friends: whole seconds from 1 to a day;
// kAskPeriod when unset or not a number.
std::chrono::seconds askPeriod(SettingsBackend& settings);

// The friends in the background: reads the friends file again before each ask (it may have been
// edited by hand), asks the server list once soon after start and then every period while a
// friend is set, and tells the user of the friends who start playing, from every complete
// refresh of the list, whoever asked for it.
class FriendsService {
  public:
    struct Hooks {
        // Asks the server list once; a complete answer comes back through listed().
        std::function<void()> ask;
        // Whether the list is being asked anyway (a walk under way, or the Servers window shown,
        // which refreshes it itself): no ask of the service's own then.
        std::function<bool()> askedAnyway;
        // The file was read again and holds other friends than before.
        std::function<void()> friendsChanged;
    };

    FriendsService(Timer& timer, const net::Clock& clock, Notifier& notifier, std::string path,
                   std::chrono::seconds period, FriendWatch::Join join, Hooks hooks);
    ~FriendsService();
    FriendsService(const FriendsService&) = delete;
    FriendsService& operator=(const FriendsService&) = delete;

    // The first ask, once the event loop comes round; then one every period.
    void start();
    // Reads the friends file again (after the editor wrote it, or before each ask); whether the
    // friends changed. A file that cannot be read counts as no friend.
    bool reload();
    const FriendPatterns& friends() const { return watch_.friends(); }
    // One complete refresh of the list: the friends who arrived are announced.
    void listed(const std::vector<ServerSnapshot>& servers);

  private:
    void tick();

    Timer& timer_;
    const net::Clock& clock_;
    std::string path_;
    std::string text_;
    std::chrono::seconds period_;
    Hooks hooks_;
    FriendWatch watch_;
};

}  // namespace zerlin::friends
