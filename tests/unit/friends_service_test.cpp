#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "doubles/doubles.h"
#include "doubles/temp_folder.h"
#include "friends/friends_service.h"
#include "friends/server_snapshot.h"

namespace zerlin {
namespace {

using namespace std::chrono_literals;
using friends::FriendPatterns;
using friends::FriendsService;
using friends::ServerSnapshot;

class RecordingNotifier : public Notifier {
  public:
    void notify(const std::string& title, const std::string& body) override {
        shown.push_back(title + " | " + body);
    }
    void notifyWithAction(const std::string& title, const std::string& body,
                          const std::string& /*action*/, std::function<void()> onAction) override {
        notify(title, body);
        actions.push_back(std::move(onAction));
    }

    std::vector<std::string> shown;
    std::vector<std::function<void()>> actions;
};

struct Rig {
    test::TempFolder folder;
    test::FakeTimer timer;
    test::FakeClock clock;
    RecordingNotifier notifier;
    int asks = 0;
    int changes = 0;
    bool askedAnyway = false;
    std::vector<std::string> joined;
    std::unique_ptr<FriendsService> service;

    explicit Rig(const std::optional<std::string>& text) {
        write(text);
        service = std::make_unique<FriendsService>(
            timer, clock, notifier, folder / "friends.txt", 90s,
            [this](const ServerSnapshot& server) { joined.push_back(server.key); },
            FriendsService::Hooks{[this] { ++asks; }, [this] { return askedAnyway; },
                                  [this] { ++changes; }});
    }
    // The friends file's text; none: no file.
    void write(const std::optional<std::string>& text) const {
        if (text) {
            folder.file("friends.txt", *text);
        } else {
            std::filesystem::remove(folder.path() / "friends.txt");
        }
    }
    // The timer's tick, which it must be armed for.
    void tick() {
        ASSERT_TRUE(timer.active);
        timer.active = false;
        timer.handler();
    }
};

ServerSnapshot server(const std::string& key, int numPlayers, std::vector<std::string> players) {
    ServerSnapshot snapshot;
    snapshot.key = key;
    snapshot.name = "Server " + key;
    snapshot.numPlayers = numPlayers;
    snapshot.maxPlayers = 32;
    snapshot.players = std::move(players);
    return snapshot;
}

TEST(FriendsService, AsksSoonAfterStartThenEveryPeriodOnlyWhileAFriendIsSet) {
    Rig rig("Alice\n");
    EXPECT_FALSE(rig.timer.active) << "nothing is asked before start";
    EXPECT_EQ(rig.asks, 0);
    rig.service->start();
    EXPECT_TRUE(rig.timer.active);
    EXPECT_EQ(rig.timer.lastDelay, 0us) << "the first ask waits only for the event loop";

    struct Step {
        const char* what;
        std::optional<std::optional<std::string>> file;  // written before the tick
        bool askedAnyway;
        int asks;
        int changes;
    };
    const Step steps[] = {
        {"the first tick asks", {}, false, 1, 0},
        {"the list asked anyway: no ask of its own", {}, true, 1, 0},
        {"the next period asks again", {}, false, 2, 0},
        {"friends taken out by hand: told, no ask", std::optional<std::string>("# none\n"), false,
         2, 1},
        {"still none: nothing", {}, false, 2, 1},
        {"a friend written again: told and asked", std::optional<std::string>("Bob\n"), false, 3,
         2},
        {"the same text again: not told", std::optional<std::string>("Bob\n"), false, 4, 2},
        {"the file gone: no friend", std::optional<std::string>(), false, 4, 3},
    };
    for (const Step& step : steps) {
        if (step.file) {
            rig.write(*step.file);
        }
        rig.askedAnyway = step.askedAnyway;
        rig.tick();
        EXPECT_EQ(rig.asks, step.asks) << step.what;
        EXPECT_EQ(rig.changes, step.changes) << step.what;
        EXPECT_TRUE(rig.timer.active) << step.what;
        EXPECT_EQ(rig.timer.lastDelay, std::chrono::microseconds(90s)) << step.what;
    }
    EXPECT_TRUE(rig.service->friends().empty());
}

TEST(FriendsService, ReloadTellsWhetherTheFriendsChanged) {
    Rig rig(std::nullopt);
    EXPECT_TRUE(rig.service->friends().empty());
    EXPECT_FALSE(rig.service->reload());
    rig.write("alice\n");
    EXPECT_TRUE(rig.service->reload());
    EXPECT_TRUE(rig.service->friends().matches("ALICE"));
    EXPECT_FALSE(rig.service->reload());
    // A file that cannot be read is no friend.
    rig.write(std::nullopt);
    std::filesystem::create_directory(rig.folder.path() / "friends.txt");
    EXPECT_TRUE(rig.service->reload());
    EXPECT_TRUE(rig.service->friends().empty());
}

TEST(FriendsService, ArrivalsFollowTheClockAndJoinTheirServer) {
    Rig rig("Alice\n");
    const std::vector<ServerSnapshot> playing{server("10.0.0.1:14567", 2, {"Bob", "Alice"})};
    const std::vector<ServerSnapshot> none;
    rig.service->listed(playing);
    ASSERT_EQ(rig.notifier.shown.size(), 1U);
    EXPECT_EQ(rig.notifier.shown[0], "Alice is playing | Server 10.0.0.1:14567 · 2/32");
    // Gone for two refreshes, back 5 minutes after she was announced: too soon to tell again.
    rig.clock.advance(2min);
    rig.service->listed(none);
    rig.service->listed(none);
    rig.clock.advance(3min);
    rig.service->listed(playing);
    EXPECT_EQ(rig.notifier.shown.size(), 1U);
    // Gone again, back 12 minutes after: told.
    rig.service->listed(none);
    rig.service->listed(none);
    rig.clock.advance(7min);
    rig.service->listed(playing);
    ASSERT_EQ(rig.notifier.shown.size(), 2U);
    ASSERT_EQ(rig.notifier.actions.size(), 2U);
    rig.notifier.actions.back()();
    EXPECT_EQ(rig.joined, std::vector<std::string>{"10.0.0.1:14567"});
}

TEST(FriendsService, AskPeriodFromTheSettings) {
    const struct {
        std::optional<std::string> value;
        std::chrono::seconds period;
    } cases[] = {
        {std::nullopt, friends::kAskPeriod},
        {"30", 30s},
        {"0", 1s},
        {"-5", 1s},
        {"100000", 86400s},
        {"", friends::kAskPeriod},
        {"ten", friends::kAskPeriod},
        {"30s", friends::kAskPeriod},
    };
    for (const auto& c : cases) {
        test::MemorySettings settings;
        if (c.value) {
            settings.preset("Friends", "RefreshSeconds", *c.value);
        }
        EXPECT_EQ(friends::askPeriod(settings), c.period) << c.value.value_or("(unset)");
    }
}

// Only the players a server counts are on it: those it keeps past numPlayers have left, in
// every place that names friends.
TEST(FriendsService, FriendsOnAServerAreWithinItsPlayerCount) {
    const FriendPatterns patterns = FriendPatterns::fromText("alice\nb*\n");
    const struct {
        int numPlayers;
        std::vector<std::string> players;
        std::vector<std::string> friends;
    } cases[] = {
        {3, {"Alice", "Carl", "Bob"}, {"Alice", "Bob"}},
        {1, {"Carl", "Alice", "Bob"}, {}},
        {2, {"Bob", "Carl", "Alice"}, {"Bob"}},
        {5, {"Alice"}, {"Alice"}},
        {-1, {"Alice"}, {}},
    };
    for (const auto& c : cases) {
        status::ServerStatus info;
        info.hostName = "Host";
        info.mapName = "Wake Island";
        info.numPlayers = c.numPlayers;
        for (const std::string& name : c.players) {
            info.players.emplace_back().name = name;
        }
        EXPECT_EQ(friends::friendsOn(info, patterns), c.friends) << c.numPlayers;
        const ServerSnapshot snapshot = friends::snapshotOf("10.0.0.2:14567", info);
        EXPECT_EQ(friends::friendsOn(snapshot, patterns), c.friends) << c.numPlayers;
        EXPECT_EQ(snapshot.key, "10.0.0.2:14567");
        EXPECT_EQ(snapshot.name, "Host");
        EXPECT_EQ(snapshot.map, "Wake Island");
        EXPECT_EQ(snapshot.maxPlayers, 0) << "no maximum given";
    }
}

}  // namespace
}  // namespace zerlin
