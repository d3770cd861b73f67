#include "friends/friends_service.h"

#include <algorithm>
#include <charconv>

#include "friends/friends_file.h"
#include "settings/settings.h"

namespace zerlin::friends {

std::chrono::seconds askPeriod(SettingsBackend& settings) {
    const std::string text = read(settings, keys::friendsRefreshSeconds);
    long long seconds = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, seconds);
    if (text.empty() || error != std::errc() || at != end) {
        return kAskPeriod;
    }
    return std::chrono::seconds(std::clamp<long long>(seconds, 1, 24LL * 3600));
}

FriendsService::FriendsService(Timer& timer, const net::Clock& clock, Notifier& notifier,
                               std::string path, std::chrono::seconds period,
                               FriendWatch::Join join, Hooks hooks)
    : timer_(timer),
      clock_(clock),
      path_(std::move(path)),
      period_(period),
      hooks_(std::move(hooks)),
      watch_(notifier, std::move(join)) {
    reload();
    timer_.setHandler([this] { tick(); });
}

FriendsService::~FriendsService() {
    timer_.stop();
}

void FriendsService::start() {
    timer_.start(std::chrono::microseconds(0));
}

bool FriendsService::reload() {
    std::string text = readFriendsFile(path_).value();
    if (text == text_) {
        return false;
    }
    watch_.setFriends(FriendPatterns::fromText(text));
    text_ = std::move(text);
    return true;
}

void FriendsService::tick() {
    timer_.start(period_);
    if (reload() && hooks_.friendsChanged) {
        hooks_.friendsChanged();
    }
    if (friends().empty() || (hooks_.askedAnyway && hooks_.askedAnyway())) {
        return;
    }
    if (hooks_.ask) {
        hooks_.ask();
    }
}

void FriendsService::listed(const std::vector<ServerSnapshot>& servers) {
    watch_.refreshed(servers, clock_.now());
}

}  // namespace zerlin::friends
