#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "friends/friend_arrivals.h"
#include "friends/friend_watch.h"

namespace zerlin {
namespace {

using friends::FriendArrivals;
using friends::FriendPatterns;
using friends::ServerSnapshot;

// A server as "key:numPlayers:player,player,...".
ServerSnapshot serverOf(const std::string& text) {
    std::istringstream in(text);
    ServerSnapshot server;
    std::string count;
    std::getline(in, server.key, ':');
    std::getline(in, count, ':');
    server.numPlayers = std::stoi(count);
    server.maxPlayers = 64;
    server.name = "Server " + server.key;
    for (std::string player; std::getline(in, player, ',');) {
        server.players.push_back(player);
    }
    return server;
}

// One refresh: when (minutes after start), the servers listed, and the arrivals expected as
// "player@server".
struct Refresh {
    double minute;
    std::vector<std::string> servers;
    std::vector<std::string> arrivals;
};

struct Case {
    const char* name;
    std::vector<Refresh> refreshes;
};

TEST(FriendArrivals, AnnouncesEachArrivalOnceAcrossRefreshes) {
    const std::vector<Case> cases = {
        {"playing at start: announced once",
         {{0, {"s1:2:Bob,Ann"}, {"Bob@s1"}}, {2, {"s1:2:Bob,Ann"}, {}}, {4, {"s1:1:Bob"}, {}}}},
        {"arrives between two refreshes",
         {{0, {"s1:1:Ann"}, {}}, {2, {"s1:2:Ann,Bob"}, {"Bob@s1"}}, {4, {"s1:2:Ann,Bob"}, {}}}},
        {"in the list's order, each name once",
         {{0,
           {"s1:3:Carl,Ann,Bob", "s2:2:[ABC]J\xFCrgen,Bob"},
           {"Carl@s1", "Bob@s1", "[ABC]J\xFCrgen@s2"}}}},
        {"players past numPlayers have left",
         {{0, {"s1:1:Ann,Bob", "s2:0:Carl"}, {}},
          {2, {"s1:2:Ann,Bob", "s2:-1:Carl"}, {"Bob@s1"}},
          {4, {"s1:9:Ann,Bob,Carl"}, {"Carl@s1"}}}},
        {"moving to another server is no arrival",
         {{0, {"s1:1:Bob", "s2:0:"}, {"Bob@s1"}},
          {12, {"s1:0:", "s2:1:Bob"}, {}},
          {14, {"s1:1:Bob"}, {}}}},
        {"moving while the old server is missing",
         {{0, {"s1:1:Bob"}, {"Bob@s1"}}, {12, {"s2:1:Bob"}, {}}}},
        {"a server missing from one refresh keeps its friends",
         {{0, {"s1:1:Bob", "s2:1:Ann"}, {"Bob@s1"}},
          {12, {"s2:1:Ann"}, {}},
          {14, {"s1:1:Bob", "s2:1:Ann"}, {}},
          {16, {"s2:1:Ann"}, {}},
          {18, {"s1:1:Bob"}, {}}}},
        {"a server missing from two refreshes loses them",
         {{0, {"s1:1:Bob"}, {"Bob@s1"}},
          {12, {}, {}},
          {14, {}, {}},
          {16, {"s1:1:Bob"}, {"Bob@s1"}}}},
        {"missing, then listed without the friend",
         {{0, {"s1:1:Bob"}, {"Bob@s1"}},
          {12, {}, {}},
          {14, {"s1:0:"}, {}},
          {16, {"s2:1:Bob"}, {"Bob@s2"}}}},
        {"absent from a whole refresh, back after the quiet time",
         {{0, {"s1:1:Bob"}, {"Bob@s1"}}, {12, {"s1:1:Ann"}, {}}, {14, {"s2:1:Bob"}, {"Bob@s2"}}}},
        {"at most once in ten minutes",
         {{0, {"s1:1:Bob"}, {"Bob@s1"}},
          {2, {"s1:0:"}, {}},
          {4, {"s1:1:Bob"}, {}},
          {6, {"s1:0:"}, {}},
          {9.9, {"s1:1:Bob"}, {}},
          {9.95, {"s1:0:"}, {}},
          {10, {"s1:1:Bob"}, {"Bob@s1"}},
          {12, {"s1:0:"}, {}},
          {14, {"s1:1:Bob"}, {}}}},
        {"an arrival kept quiet is not told later",
         {{0, {"s1:1:Bob"}, {"Bob@s1"}},
          {2, {}, {}},
          {4, {}, {}},
          {6, {"s1:1:Bob"}, {}},
          {16, {"s1:1:Bob"}, {}}}},
        {"each friend has a quiet time of their own",
         {{0, {"s1:1:Bob"}, {"Bob@s1"}}, {2, {"s1:2:Bob,Carl"}, {"Carl@s1"}}}},
    };
    const FriendPatterns friends = FriendPatterns::fromText("bob\ncarl\n*jürgen\n");
    for (const Case& c : cases) {
        FriendArrivals arrivals;
        for (const Refresh& refresh : c.refreshes) {
            std::vector<ServerSnapshot> servers;
            for (const std::string& server : refresh.servers) {
                servers.push_back(serverOf(server));
            }
            const auto now = std::chrono::duration_cast<FriendArrivals::Time>(
                std::chrono::duration<double, std::ratio<60>>(refresh.minute));
            std::vector<std::string> told;
            for (const friends::Arrival& arrival : arrivals.refresh(servers, friends, now)) {
                told.push_back(arrival.player + "@" + arrival.server.key);
            }
            EXPECT_EQ(told, refresh.arrivals) << c.name << ", minute " << refresh.minute;
        }
    }
}

// Keeps each message's action for the test to choose.
struct ActionNotifier : Notifier {
    void notify(const std::string& title, const std::string& body) override {
        sent.push_back(title + "|" + body);
    }
    void notifyWithAction(const std::string& title, const std::string& body,
                          const std::string& action, std::function<void()> onAction) override {
        sent.push_back(title + "|" + body + "|" + action);
        actions.push_back(std::move(onAction));
    }
    std::vector<std::string> sent;
    std::vector<std::function<void()>> actions;
};

TEST(FriendWatch, NotifiesEachArrivalWithAJoinOfItsServer) {
    ActionNotifier notifier;
    std::vector<std::string> joined;
    friends::FriendWatch watch(
        notifier, [&joined](const ServerSnapshot& server) { joined.push_back(server.key); });
    watch.setFriends(FriendPatterns::fromText("*jürgen\nbob"));

    ServerSnapshot wake = serverOf("1:2:Ann,[ABC]Jürgen");
    wake.name = "Wake Island 24/7";
    wake.map = "wake";
    wake.maxPlayers = 64;
    ServerSnapshot noMap = serverOf("2:1:bob");
    noMap.name = "";
    noMap.maxPlayers = 8;
    watch.refreshed({wake, noMap}, {});
    EXPECT_EQ(notifier.sent, (std::vector<std::string>{
                                 "[ABC]Jürgen is playing|Wake Island 24/7 · 2/64 · wake|Join",
                                 "bob is playing|2 · 1/8|Join"}));

    // Bob moves; the action still joins the server the message named.
    watch.refreshed({serverOf("3:1:bob"), wake}, std::chrono::minutes(2));
    EXPECT_EQ(notifier.sent.size(), 2U);
    ASSERT_EQ(notifier.actions.size(), 2U);
    notifier.actions[1]();
    notifier.actions[0]();
    EXPECT_EQ(joined, (std::vector<std::string>{"2", "1"}));

    // A friend added while playing is told as at the start; removed and added back within
    // ten minutes, not again.
    watch.setFriends(FriendPatterns::fromText("ann"));
    watch.refreshed({wake}, std::chrono::minutes(30));
    watch.setFriends({});
    watch.refreshed({wake}, std::chrono::minutes(32));
    watch.setFriends(FriendPatterns::fromText("ann"));
    watch.refreshed({wake}, std::chrono::minutes(34));
    EXPECT_EQ(notifier.sent.size(), 3U);
    EXPECT_EQ(notifier.sent.back(), "Ann is playing|Wake Island 24/7 · 2/64 · wake|Join");
}

// Only the body of a message is escaped by the notifier: a name that a service could take for
// markup never reaches the summary.
TEST(FriendWatch, KeepsNamesThatLookLikeMarkupOutOfTheSummary) {
    struct Case {
        std::string player;
        std::string sent;
    };
    const Case cases[] = {
        {"<img src=file:///etc/passwd>evil1",
         "A friend is playing|<img src=file:///etc/passwd>evil1 is playing · Server 1 · 1/64|Join"},
        {"Tom&evil1", "A friend is playing|Tom&evil1 is playing · Server 1 · 1/64|Join"},
        {"a>evil1", "A friend is playing|a>evil1 is playing · Server 1 · 1/64|Join"},
        {"[1st]evil1", "[1st]evil1 is playing|Server 1 · 1/64|Join"},
    };
    for (const Case& c : cases) {
        ActionNotifier notifier;
        friends::FriendWatch watch(notifier, [](const ServerSnapshot&) {});
        watch.setFriends(FriendPatterns::fromText("*evil1"));
        watch.refreshed({serverOf("1:1:" + c.player)}, {});
        EXPECT_EQ(notifier.sent, std::vector<std::string>{c.sent}) << c.player;
    }
}

}  // namespace
}  // namespace zerlin
