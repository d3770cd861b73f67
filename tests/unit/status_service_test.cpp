#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "doubles/network_doubles.h"
#include "status/status_client.h"
#include "status/status_text.h"
#include "text/utf8.h"

namespace zerlin::test {
namespace {

using namespace std::chrono_literals;
using status::ServerKey;
using status::StatusService;

std::string pairsFor(const std::string& hostport, int players = 3) {
    std::string pairs = "\\hostname\\S" + hostport + "\\mapname\\Wake\\numplayers\\" +
                        std::to_string(players) + "\\maxplayers\\64";
    return hostport.empty() ? pairs : pairs + "\\hostport\\" + hostport;
}

struct Rig {
    FakeNetwork net;
    StatusService service{net, net, net.clock, net.timer};
    status::StatusClient client{service};
    std::vector<ServerKey> changes;
    Rig() {
        client.setChangeHandler([this](const ServerKey& key) { changes.push_back(key); });
    }
    // Answers every query sent to the host's ports from `answers` (port → hostport given;
    // "" for a reply without hostport), `latency` after it was sent, until `until`.
    void serve(const std::string& host, const std::map<std::uint16_t, std::string>& answers,
               std::chrono::microseconds until, std::chrono::microseconds latency = 5ms) {
        std::size_t answered = 0;
        while (net.now() < until) {
            net.runFor(latency);
            for (; answered < net.sent.size(); ++answered) {
                const auto sent = net.sent[answered];
                const auto found = answers.find(sent.to.port);
                if (sent.to.address == endpoint(host, 0).address && found != answers.end()) {
                    for (const auto& part : replyParts(pairsFor(found->second), "1")) {
                        net.deliver(sent.to, part);
                    }
                }
            }
        }
    }
};

TEST(StatusService, FindsTheQueryPort) {
    struct Case {
        const char* what;
        std::map<std::uint16_t, std::string> answers;  // query port → hostport sent
        std::optional<std::uint16_t> found;
        std::size_t datagrams;  // sent in all
    };
    const std::vector<Case> cases = {
        {"23000 for this game port", {{23000, "14567"}}, 23000, 1},
        {"23000 without hostport", {{23000, ""}}, 23000, 1},
        {"23001 after 23000 answers for another",
         {{23000, "14568"}, {23001, "14567"}, {23002, "14569"}},
         23001,
         1 + 9 + 7 * 1},
        {"no match among 23001 to 23009",
         {{23000, "14568"}, {23005, "1"}},
         std::nullopt,
         1 + 9 + 8},
        {"silence at 23000: no scan", {{23001, "14567"}}, std::nullopt, 2},
        {"23000 with a hostport that is no number", {{23000, "abc"}}, 23000, 1},
        {"23000 with hostport 0", {{23000, "0"}}, 23000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        const ServerKey key{"127.0.0.2", "14567"};
        rig.client.refresh({key});
        rig.serve("127.0.0.2", c.answers, rig.net.now() + 5s);
        const auto& state = rig.service.state(key);
        EXPECT_FALSE(state.asking);
        EXPECT_TRUE(state.ended);
        EXPECT_EQ(state.answer.has_value(), c.found.has_value());
        EXPECT_EQ(rig.net.sent.size(), c.datagrams);
        for (const auto& sent : rig.net.sent) {
            EXPECT_EQ(sent.bytes, "\\status\\");
        }
        if (!c.found) {
            continue;
        }
        // The port found is asked straight away next time.
        rig.net.sent.clear();
        rig.client.refresh({key});
        rig.serve("127.0.0.2", c.answers, rig.net.now() + 3s);
        ASSERT_EQ(rig.net.sent.size(), 1u);
        EXPECT_EQ(rig.net.sent[0].to.port, *c.found);
        EXPECT_TRUE(rig.service.state(key).answer);
    }
}

// 200 bookmarks with a mistyped port, whose hosts answer at 23000 for another game port: the
// ports are searched once, and the refreshes of the next 10 minutes ask 23000 only.
TEST(StatusService, RemembersASearchForTenMinutes) {
    Rig rig;
    std::vector<status::Request> rows;
    for (int i = 0; i < 200; ++i) {
        rows.emplace_back(ServerKey{"127.0.2." + std::to_string(1 + i), "14567"});
    }
    // Every host answers at 23000, for game port 14568; 23001 to 23009 are silent.
    std::size_t answered = 0;
    const auto refresh = [&] {
        const std::size_t before = rig.net.sent.size();
        rig.client.refresh(rows);
        const auto until = rig.net.now() + 8s;
        while (rig.net.now() < until) {
            rig.net.runFor(1ms);
            for (; answered < rig.net.sent.size(); ++answered) {
                const auto sent = rig.net.sent[answered];
                if (sent.to.port == 23000) {
                    for (const auto& part : replyParts(pairsFor("14568"), "1")) {
                        rig.net.deliver(sent.to, part);
                    }
                }
            }
        }
        EXPECT_FALSE(rig.client.busy());
        return rig.net.sent.size() - before;
    };
    EXPECT_EQ(refresh(), 200u * (1 + 9 * 2));
    const auto searched = rig.net.now();
    for (int minute = 2; minute < 10; minute += 2) {
        rig.net.runUntil(searched + std::chrono::minutes(minute));
        EXPECT_EQ(refresh(), 200u) << minute;
        EXPECT_EQ(status::describe(rig.client.state(rows[7].server)), "no answer");
    }
    rig.net.runUntil(searched + std::chrono::minutes(11));
    EXPECT_EQ(refresh(), 200u * (1 + 9 * 2));  // searched again after 10 minutes
}

TEST(StatusService, PacesQueriesAndRetries) {
    Rig rig;
    std::vector<ServerKey> keys;
    for (int i = 2; i < 52; ++i) {
        keys.push_back({"127.0.1." + std::to_string(i), "14567"});
    }
    rig.client.refresh({keys.begin(), keys.end()});
    // Only 127.0.1.2 stays silent; the others answer, in two parts, within half a millisecond.
    std::size_t answered = 0;
    std::map<std::string, std::chrono::microseconds> shownAt;
    rig.client.setChangeHandler([&](const ServerKey& key) {
        if (rig.service.state(key).ended) {
            shownAt[key.host] = rig.net.now();
        }
    });
    const auto start = rig.net.now();
    while (rig.net.now() < start + 3s) {
        rig.net.runFor(500us);
        for (; answered < rig.net.sent.size(); ++answered) {
            const auto sent = rig.net.sent[answered];
            if (sent.to != endpoint("127.0.1.2", 23000)) {
                for (const auto& part : replyParts(pairsFor("14567"), "4", {2})) {
                    rig.net.deliver(sent.to, part);
                }
            }
        }
    }
    // In the list's order: the top rows are shown first.
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(rig.net.sent[i].to, endpoint(keys[i].host, 23000)) << i;
    }
    // One datagram a millisecond at most.
    for (std::size_t i = 1; i < rig.net.sent.size(); ++i) {
        EXPECT_GE(rig.net.sent[i].at - rig.net.sent[i - 1].at, 1ms) << i;
    }
    // The silent server is asked twice, a second apart, and ends as no answer after 2 s; the
    // others are shown within 60 ms, untouched by it.
    const auto silent = rig.net.sentTo(endpoint("127.0.1.2", 23000));
    ASSERT_EQ(silent.size(), 2u);
    EXPECT_EQ(silent[1].at - silent[0].at, 1s);
    EXPECT_EQ(shownAt["127.0.1.2"] - silent[0].at, 2s);
    EXPECT_EQ(status::describe(rig.service.state(keys[0])), "no answer");
    for (std::size_t i = 1; i < keys.size(); ++i) {
        EXPECT_LE(shownAt[keys[i].host] - start, 60ms) << keys[i].host;
        EXPECT_EQ(status::describe(rig.service.state(keys[i])), "3/64 players, Wake, 0 ms");
    }
    EXPECT_EQ(rig.net.sent.size(), keys.size() + 1);
}

// A busy loop's late turns cost no pace: 200 servers are asked in about 200 ms, never more than
// five datagrams at once.
TEST(StatusService, KeepsItsPaceWhenTheLoopIsLate) {
    for (const std::chrono::microseconds late : {300us, 1400us, 3500us}) {
        Rig rig;
        rig.net.timer.late = late;
        std::vector<ServerKey> keys;
        for (int i = 0; i < 200; ++i) {
            keys.push_back(
                {"127.0." + std::to_string(10 + i / 100) + "." + std::to_string(i % 100), "14567"});
        }
        rig.client.refresh({keys.begin(), keys.end()});
        const auto start = rig.net.now();
        rig.net.runFor(210ms + late);
        const std::vector<FakeNetwork::Sent>& sent = rig.net.sent;
        ASSERT_EQ(sent.size(), keys.size()) << late.count();
        for (std::size_t i = 5; i < sent.size(); ++i) {
            EXPECT_GE(sent[i].at - sent[i - 5].at, 1ms) << late.count() << " " << i;
        }
        EXPECT_LE(sent.back().at - start, 201ms + late) << late.count();
    }
}

TEST(StatusService, AsksOnlyWhatCanBeAsked) {
    struct Case {
        ServerKey key;
        std::size_t lookUps;
        std::size_t datagrams;
        const char* description;
    };
    const std::vector<Case> cases = {
        {{"//10.0.0.1", "14567"}, 0, 0, "no answer"},
        {{"junk junk", "14567"}, 0, 0, "no answer"},
        {{"", "14567"}, 0, 0, "no answer"},
        {{"127.0.0.2", "14567x"}, 0, 0, "no answer"},
        {{"127.0.0.2", ""}, 0, 0, "no answer"},
        {{"unknown.lan", "14567"}, 1, 0, "no answer"},
        {{"stand-in.lan", "14567"}, 1, 1, "3/64 players, Wake, 5 ms"},
        {{"[::1]", "14567"}, 0, 1, "no answer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.host);
        Rig rig;
        rig.net.hosts["stand-in.lan"] = {endpoint("::1", 0).address,
                                         endpoint("127.0.0.9", 0).address};
        rig.client.refresh({c.key});
        EXPECT_EQ(rig.net.lookUps.size(), c.lookUps);
        rig.net.answerLookUps();
        rig.serve("127.0.0.9", {{23000, "14567"}}, rig.net.now() + 3s);
        EXPECT_EQ(rig.net.sent.size() > 0, c.datagrams > 0);
        EXPECT_EQ(status::describe(rig.service.state(c.key)), c.description);
    }
}

TEST(StatusService, KeepsTheLastResultWhileAskingAgain) {
    Rig rig;
    const ServerKey up{"127.0.0.2", "14567"};
    const ServerKey gone{"127.0.0.3", "14567"};
    EXPECT_EQ(status::describe(rig.service.state(up)), "");
    rig.client.refresh({up, gone});
    EXPECT_EQ(status::describe(rig.service.state(up)), "asking");
    rig.serve("127.0.0.2", {{23000, "14567"}}, rig.net.now() + 3s);
    EXPECT_EQ(status::describe(rig.service.state(up)), "3/64 players, Wake, 5 ms");
    EXPECT_EQ(status::describe(rig.service.state(gone)), "no answer");

    rig.client.refresh({up, gone});
    EXPECT_TRUE(rig.service.state(up).asking);
    EXPECT_EQ(status::indicatorOf(rig.service.state(up)), status::Indicator::Up);
    EXPECT_EQ(status::indicatorOf(rig.service.state(gone)), status::Indicator::NoAnswer);
    // A server no longer listed is forgotten.
    rig.client.refresh({up});
    EXPECT_FALSE(rig.service.state(gone).ended);
    EXPECT_EQ(status::serverOfRow("Srv" + std::string(32, ' ') + ":10.0.0.1:14567"),
              (ServerKey{"10.0.0.1", "14567"}));
    EXPECT_EQ(status::serverOfRow("no colon at all"), (ServerKey{"", "t all"}));
}

// The list, the slot wait and a server list share one service: each wants its own servers,
// every client hears every change, and a refresh of one never forgets what another shows.
TEST(StatusService, ServesSeveralClients) {
    Rig rig;
    const ServerKey a{"127.0.0.2", "14567"};
    const ServerKey b{"127.0.0.3", "14567"};
    const ServerKey c{"127.0.0.4", "14567"};
    std::vector<ServerKey> otherChanges;
    {
        status::StatusClient other(rig.service);
        other.setChangeHandler([&](const ServerKey& key) { otherChanges.push_back(key); });
        rig.client.refresh({a, b});
        other.refresh({b, c});
        EXPECT_EQ(rig.net.sent.size(), 0u);
        rig.net.runFor(10ms);
        // b is asked once for both.
        EXPECT_EQ(rig.net.sent.size(), 3u);
        const std::map<std::uint16_t, std::string> answers = {{23000, "14567"}};
        rig.serve("127.0.0.2", answers, rig.net.now() + 1ms);
        rig.serve("127.0.0.3", answers, rig.net.now() + 1ms);
        rig.serve("127.0.0.4", answers, rig.net.now() + 3s);
        for (const ServerKey& key : {a, b, c}) {
            EXPECT_TRUE(rig.service.state(key).answer) << key.host;
        }
        // A client hears of the asking of the servers it wants only, and of every answer.
        EXPECT_EQ(std::count(otherChanges.begin(), otherChanges.end(), a), 1);
        EXPECT_EQ(std::count(rig.changes.begin(), rig.changes.end(), c), 1);
        EXPECT_EQ(std::count(rig.changes.begin(), rig.changes.end(), a), 2);

        rig.client.refresh({a});
        EXPECT_TRUE(rig.service.state(b).answer);  // the other client still wants it
        EXPECT_TRUE(rig.client.busy());
        EXPECT_FALSE(other.busy());
        other.keepOnly({c});
        EXPECT_FALSE(rig.service.state(b).ended);  // nobody wants it now
        EXPECT_TRUE(rig.service.state(c).ended);
    }
    // A client gone: what only it wanted is forgotten, and it hears nothing more.
    EXPECT_FALSE(rig.service.state(c).ended);
    const std::size_t heard = otherChanges.size();
    rig.client.refresh({a, c});
    EXPECT_EQ(otherChanges.size(), heard);
    EXPECT_TRUE(rig.service.state(c).asking);
}

TEST(StatusService, AsksMoreKeepingTheOthersWanted) {
    Rig rig;
    const ServerKey a{"127.0.0.2", "14567"};
    const ServerKey b{"127.0.0.3", "14567"};
    const ServerKey c{"127.0.0.4", "14567"};
    std::vector<ServerKey> otherChanges;
    status::StatusClient other(rig.service);
    other.setChangeHandler([&](const ServerKey& key) { otherChanges.push_back(key); });
    rig.client.keepOnly({a, b, c});
    other.refresh({c});
    otherChanges.clear();
    rig.client.askMore({b});
    rig.net.runFor(5ms);
    rig.client.askMore({a, c, b});  // c and b go on as they were asked
    rig.net.runFor(5ms);
    const std::vector<std::uint16_t> order = {4, 3, 2};  // the last byte of each, as sent
    ASSERT_EQ(rig.net.sent.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(rig.net.sent[i].to, endpoint("127.0.0." + std::to_string(order[i]), 23000));
    }
    EXPECT_TRUE(rig.service.state(a).asking);
    EXPECT_TRUE(rig.client.busy());
    EXPECT_TRUE(otherChanges.empty());  // none of the asking was of its servers
    // Unanswered, each is tried again and then ends, once.
    rig.net.runFor(status::kTries * status::kTryTime + 1s);
    EXPECT_EQ(rig.net.sent.size(), order.size() * status::kTries);
    EXPECT_FALSE(rig.client.busy());
    EXPECT_EQ(std::count(otherChanges.begin(), otherChanges.end(), c), 1);
    EXPECT_TRUE(rig.service.state(a).ended);
}

// An IPv4-mapped IPv6 address is asked in its IPv4 form, the form its reply comes from.
TEST(StatusService, MatchesAMappedAddressToItsReply) {
    for (const char* host : {"[::ffff:127.0.1.2]", "::ffff:127.0.1.2", "mapped.lan"}) {
        SCOPED_TRACE(host);
        Rig rig;
        rig.net.hosts["mapped.lan"] = {endpoint("::ffff:127.0.1.2", 0).address};
        const ServerKey key{host, "14567"};
        rig.client.refresh({key});
        rig.net.answerLookUps();
        rig.serve("127.0.1.2", {{23000, "14567"}}, rig.net.now() + 3s);
        ASSERT_EQ(rig.net.sent.size(), 1u);
        EXPECT_EQ(rig.net.sent[0].to, endpoint("127.0.1.2", 23000));
        EXPECT_EQ(status::describe(rig.service.state(key)), "3/64 players, Wake, 5 ms");
    }
}

// A server list that names the query port: only that port is asked, with no search.
TEST(StatusService, AsksAGivenQueryPortOnly) {
    struct Case {
        const char* what;
        std::map<std::uint16_t, std::string> answers;  // query port → hostport sent
        bool answered;
        std::size_t datagrams;
        const char* gamePort = "14567";
        std::optional<std::uint16_t> queryPort = 23004;
    };
    const std::vector<Case> cases = {
        {"answers there", {{23004, "14567"}}, true, 1},
        {"silent there, 23000 would answer", {{23000, "14567"}}, false, 2},
        {"another server there", {{23004, "14568"}, {23005, "14567"}}, false, 1},
        // A master's server: its game port comes with the answer.
        {"game port not known: the answer there is the server",
         {{23004, "14568"}},
         true,
         1,
         "?23004"},
        {"game port not known, silent there", {{23000, "14567"}}, false, 2, "?23004"},
        {"game port unknown, no query port: nothing sent",
         {{23000, "14567"}},
         false,
         0,
         "?23004",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        const ServerKey key{"127.0.0.2", c.gamePort};
        rig.client.refresh({status::Request(key, c.queryPort)});
        rig.serve("127.0.0.2", c.answers, rig.net.now() + 5s);
        EXPECT_EQ(rig.service.state(key).answer.has_value(), c.answered);
        EXPECT_TRUE(rig.service.state(key).ended);
        ASSERT_EQ(rig.net.sent.size(), c.datagrams);
        for (const auto& sent : rig.net.sent) {
            EXPECT_EQ(sent.to, endpoint("127.0.0.2", 23004));
        }
    }
}

TEST(StatusText, TellsTheState) {
    struct Case {
        const char* what;
        std::string pairs;
        int ping;
        status::Indicator indicator;
        std::string description;
    };
    const std::vector<Case> cases = {
        {"up", "\\numplayers\\23\\maxplayers\\64\\mapname\\wake", 48, status::Indicator::Up,
         "23/64 players, wake, 48 ms"},
        {"password", "\\numplayers\\0\\maxplayers\\16\\mapname\\El Alamein\\password\\1", 7,
         status::Indicator::Up, "0/16 players, El Alamein, 7 ms, password"},
        {"no map", "\\numplayers\\3\\maxplayers\\8\\mapname\\", 12, status::Indicator::Up,
         "3/8 players, 12 ms"},
        {"full", "\\numplayers\\64\\maxplayers\\64\\reservedslots\\4\\mapname\\Berlin", 30,
         status::Indicator::Full, "64/64 players, Berlin, 30 ms"},
        {"one free slot, reserved not counted",
         "\\numplayers\\63\\maxplayers\\64\\reservedslots\\4\\mapname\\Berlin", 30,
         status::Indicator::Up, "63/64 players, Berlin, 30 ms"},
        {"one player, no maximum", "\\numplayers\\1\\mapname\\wake", 9, status::Indicator::Up,
         "1 player, wake, 9 ms"},
        {"none, no maximum", "\\numplayers\\0\\mapname\\wake", 9, status::Indicator::Up,
         "0 players, wake, 9 ms"},
        {"one of a maximum", "\\numplayers\\1\\maxplayers\\1\\mapname\\wake", 9,
         status::Indicator::Full, "1/1 players, wake, 9 ms"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        status::ServerState state;
        state.ended = true;
        state.answer =
            status::Answer{status::parseServerStatus(status::readPairs({c.pairs})), c.ping};
        EXPECT_EQ(status::indicatorOf(state), c.indicator);
        EXPECT_EQ(status::describe(state), c.description);
    }
}

TEST(StatusText, TooltipListsDetailsAndPlayersByTeam) {
    status::ServerState state;
    state.ended = true;
    state.answer = status::Answer{
        status::parseServerStatus(status::readPairs(
            {"\\hostname\\<b>Srv</b>\\mapname\\Wake\\gametype\\conquest\\numplayers\\3"
             "\\maxplayers\\64\\reservedslots\\2\\password\\1\\sv_punkbuster\\1"
             "\\active_mods\\bf1942\\gamever\\v1.61\\roundTimeRemain\\754\\tickets1\\150"
             "\\tickets2\\98\\playername_0\\Low\\score_0\\1\\team_0\\1\\playername_1\\Mid"
             "\\score_1\\5\\team_1\\2\\playername_2\\Top\\score_2\\9\\team_2\\1\\kills_2\\4"
             "\\deaths_2\\2\\ping_2\\33\\teamname_0\\Axis\\teamname_1\\Allies"})),
        48};
    const std::string text = status::tooltipText(state);
    for (const char* line :
         {"<b>Srv</b>\n", "\nMap: Wake (conquest)\n", "\nPlayers: 3/64 (2 reserved)\n",
          "\nPassword: yes\n", "\nPunkBuster: on\n", "\nMod: bf1942\n", "\nVersion: v1.61\n",
          "\nTime left: 12:34\n", "\nTickets: 150 : 98\n", "\nPing: 48 ms\n",
          "\n\nAxis\nName  Score  Kills  Deaths  Ping\nTop       9      4       2    33\nLow"
          "       1      0       0     0\n\nAllies\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
}

// Each text cut at the limit's character, never inside one: U+00FC is 2 bytes, U+1F600 4.
TEST(StatusText, ShortensByWholeCharacters) {
    const std::string u = "\xC3\xBC";
    const std::string smiley = "\xF0\x9F\x98\x80";
    const std::string ellipsis = "\xE2\x80\xA6";
    auto times = [](const std::string& text, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) {
            out += text;
        }
        return out;
    };
    struct Case {
        std::string text;
        std::size_t characters;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"", 64, ""},
        {std::string(64, 'a'), 64, std::string(64, 'a')},
        {std::string(65, 'a'), 64, std::string(63, 'a') + ellipsis},
        {times(u, 64), 64, times(u, 64)},
        {times(u, 65), 64, times(u, 63) + ellipsis},
        {"ab" + smiley + smiley, 3, "ab" + ellipsis},
        {"ab" + smiley, 3, "ab" + smiley},
        {"abc", 1, ellipsis},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(status::shortened(c.text, c.characters), c.shown);
    }
}

TEST(StatusText, FitsLinesIntoColumnsAndRows) {
    const std::string e = "\xE2\x80\xA6";
    struct Case {
        std::string text;
        std::size_t columns;
        std::size_t rows;
        std::string fitted;
    };
    const std::vector<Case> cases = {
        {"ab\ncd", 2, 2, "ab\ncd"},
        {"abc\nd\nefgh", 3, 3, "abc\nd\nef" + e},
        {"a\nb\nc\nd", 9, 3, "a\nb\n" + e},
        {"a\nb\nc", 9, 3, "a\nb\nc"},
        {"\n\n", 1, 3, "\n\n"},
        {"abcdef\n\nxyz", 4, 2, "abc" + e + "\n" + e},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(status::fitLines(c.text, c.columns, c.rows), c.fitted);
    }
}

// A server can name a thousand players, one with 30 000 characters, on many teams, and texts
// as long as a reply holds: what is shown stays within bounds, and says what was left out.
TEST(StatusText, ShowsAServerWithinBounds) {
    const std::string longText(3000, 'w');
    const std::string cut = std::string(63, 'w') + "\xE2\x80\xA6";
    std::string pairs = "\\hostname\\" + longText + "\\mapname\\" + longText + "\\gametype\\" +
                        longText + "\\active_mods\\" + longText + "\\gamever\\" + longText +
                        "\\numplayers\\1000\\maxplayers\\64\\teamname_0\\" + longText;
    for (int i = 0; i < 1000; ++i) {
        const std::string n = std::to_string(i);
        pairs += "\\playername_" + n + "\\" + (i == 0 ? std::string(30000, 'x') : "P" + n) +
                 "\\team_" + n + "\\" + std::to_string(1 + i % 6) + "\\score_" + n + "\\" +
                 (i == 0 ? "100000" : n);
    }
    status::ServerState state;
    state.ended = true;
    state.answer = status::Answer{status::parseServerStatus(status::readPairs({pairs})), 9};
    ASSERT_EQ(state.answer->status.players.size(), status::kMaxPlayersKept);

    const std::string text = status::tooltipText(state);
    std::size_t lines = 0;
    for (std::size_t start = 0; start <= text.size(); ++lines) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        // The longest line holds the map and the game type.
        EXPECT_LE(utf8::length(text.substr(start, end - start)), 140u) << text.substr(start, 80);
        start = end + 1;
    }
    EXPECT_LE(lines, 160u);
    EXPECT_EQ(text.rfind(cut + "\nMap: " + cut + " (" + cut + ")\n", 0), 0u) << text;
    // The kept 256 are 43 or 42 on each of six teams; four teams list their best 32 each.
    EXPECT_NE(text.find("\n" + std::string(63, 'x') + "\xE2\x80\xA6" + " 100000"),
              std::string::npos);
    EXPECT_NE(text.find("\nP252 "), std::string::npos);
    EXPECT_EQ(text.find("\nP60 "), std::string::npos);
    EXPECT_NE(text.find("\nand 11 more\n\nTeam 2\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 30), "\n\nand 84 more in 2 other teams");
    EXPECT_EQ(status::describe(state), "1000/64 players, " + cut + ", 9 ms");
}

}  // namespace
}  // namespace zerlin::test
