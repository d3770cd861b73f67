#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "doubles/doubles.h"
#include "doubles/http_double.h"
#include "doubles/temp_folder.h"
#include "servers/kept_list.h"
#include "servers/servers_browser.h"

namespace zerlin::test {
namespace {

using servers::ServersBrowser;
using Phase = ServersBrowser::Phase;

class FakePings : public servers::PingSource {
  public:
    void setHandler(Handler handler) override { handler_ = std::move(handler); }
    void ask(const std::vector<servers::PingTarget>& servers) override {
        asked.push_back(servers);
        for (const auto& server : servers) {
            states[{server.ip, server.port}].asking = true;
        }
    }
    const status::ServerState& state(const std::string& ip, std::uint16_t port) const override {
        static const status::ServerState none;
        const auto found = states.find({ip, port});
        return found == states.end() ? none : found->second;
    }
    void answer(const std::string& ip, std::uint16_t port, std::optional<int> pingMs) {
        status::ServerState& state = states[{ip, port}];
        state.asking = false;
        state.ended = true;
        state.answer.reset();
        if (pingMs) {
            state.answer = status::Answer{{}, *pingMs};
            state.answer->status.numPlayers = 7;
        }
        handler_(ip, port);
    }

    std::vector<std::vector<servers::PingTarget>> asked;
    std::map<std::pair<std::string, std::uint16_t>, status::ServerState> states;

  private:
    Handler handler_;
};

const char* const kUrl = "http://127.0.21.1:8080/v2/bf1942";

std::string onePage(const std::string& ips) {
    std::string servers;
    std::size_t start = 0;
    while (start < ips.size()) {
        const std::size_t end = std::min(ips.find(',', start), ips.size());
        servers += (servers.empty() ? "" : ",") + std::string(R"({"ip":")") +
                   ips.substr(start, end - start) + R"(","port":14567,"numPlayers":2})";
        start = end + 1;
    }
    return R"({"servers":[)" + servers + R"(],"hasMore":false})";
}

struct BrowserRig {
    TempFolder folder;
    std::string keptPath = folder / "cache/zerlin/servers.json";
    FakeHttp http;
    FakeTimer alarm;
    servers::ListWalk walk{http, alarm};
    FakePings pings;
    std::time_t now = 1'800'000'000;
    int replaced = 0;
    std::vector<std::size_t> changedRows;
    std::vector<std::string> keepFailures;
    ServersBrowser browser{
        walk, pings, keptPath, [this] { return now; },
        ServersBrowser::Hooks{[this] { ++replaced; },
                              [this](std::size_t r) { changedRows.push_back(r); },
                              {},
                              [this](const std::string& why) { keepFailures.push_back(why); }}};
    BrowserRig() {
        browser.setListUrl(kUrl);
        pings.setHandler(
            [this](const std::string& ip, std::uint16_t port) { browser.pingChanged(ip, port); });
    }
    std::string line() const {
        long long players = 0;
        for (const auto& row : browser.rows()) {
            players += row.info.numPlayers;
        }
        return browser.statusLine(browser.rows().size(), players);
    }
};

TEST(ServersBrowser, FirstRunGetsTheListPingsItAndKeepsIt) {
    BrowserRig rig;
    rig.browser.opened();
    EXPECT_EQ(rig.line(), "Getting the server list\u2026");
    EXPECT_EQ(rig.http.urls, std::vector<std::string>{std::string(kUrl) + "/servers?perPage=100"});
    rig.http.answer(200, onePage("127.0.22.1,127.0.22.2,10.0.0.1"));
    ASSERT_EQ(rig.browser.rows().size(), 2u);
    EXPECT_FALSE(rig.browser.showingKept());
    EXPECT_EQ(rig.line(), "2 servers, 4 players");
    ASSERT_EQ(rig.pings.asked.size(), 1u);
    EXPECT_EQ(rig.pings.asked[0].size(), 2u);
    EXPECT_EQ(rig.browser.rows()[0].ping, servers::Ping::Asking);

    rig.pings.answer("127.0.22.2", 14567, 31);
    rig.pings.answer("127.0.22.1", 14567, std::nullopt);
    EXPECT_EQ(rig.changedRows, (std::vector<std::size_t>{1, 0}));
    EXPECT_EQ(cellText(rig.browser.rows()[1], servers::Column::Ping), "31 ms");
    EXPECT_EQ(cellText(rig.browser.rows()[0], servers::Column::Ping), "no answer");
    EXPECT_EQ(rig.line(), "2 servers, 9 players");  // the answer's players count

    EXPECT_FALSE(servers::loadKeptList(rig.keptPath));
    EXPECT_TRUE(rig.browser.listToKeep());
    rig.browser.keepList();
    EXPECT_FALSE(rig.browser.listToKeep());
    const auto kept = servers::loadKeptList(rig.keptPath);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->time, rig.now);
    ASSERT_EQ(kept->servers.size(), 2u);
    EXPECT_EQ(kept->servers[1].address(), "127.0.22.2:14567");
    EXPECT_EQ(kept->servers[1].info.numPlayers, 2);  // the list's, not the answer's
}

TEST(ServersBrowser, PlayedServersAreAskedDirectlyWhileTheListGoesOnAside) {
    BrowserRig rig;
    rig.browser.opened();
    rig.http.answer(200, onePage("127.0.22.1,127.0.22.2"));
    ASSERT_EQ(rig.browser.rows().size(), 2u);

    servers::PlayedServer bookmark{"Host.Example", 14600, std::nullopt, "Mine", "", 300};
    // Not in the list, nor an address the list would let through: asked all the same.
    servers::PlayedServer other{"10.1.2.3", 14567, 23007, "", "", 200};
    rig.browser.showPlayed({bookmark, other});
    ASSERT_TRUE(rig.browser.showingPlayed());
    ASSERT_EQ(rig.browser.rows().size(), 2u);
    EXPECT_EQ(rig.browser.rows()[0].info.hostName, "Mine");
    EXPECT_EQ(cellText(rig.browser.rows()[0], servers::Column::Address), "Host.Example:14600");
    ASSERT_EQ(rig.pings.asked.back().size(), 2u);
    EXPECT_EQ(rig.pings.asked.back()[0].queryPort, 0);  // searched for
    EXPECT_EQ(rig.pings.asked.back()[1].queryPort, 23007);
    rig.pings.answer("10.1.2.3", 14567, 40);
    EXPECT_EQ(cellText(rig.browser.rows()[1], servers::Column::Ping), "40 ms");
    EXPECT_EQ(rig.browser.findRow(" host.example ", 14600), &rig.browser.rows()[0]);
    EXPECT_NE(rig.browser.findRow("127.0.22.2", 14567), nullptr);  // the list's, set aside

    // The list fails meanwhile: the played servers stay, summed up.
    rig.browser.refresh();
    rig.http.answer(500, "");
    EXPECT_EQ(rig.line(), "2 servers, 7 players");
    rig.browser.refresh();
    rig.http.answer(200, onePage("127.0.22.3"));
    EXPECT_EQ(rig.browser.rows().size(), 2u);

    rig.browser.showListed();
    EXPECT_FALSE(rig.browser.showingPlayed());
    ASSERT_EQ(rig.browser.rows().size(), 1u);
    EXPECT_EQ(rig.browser.rows()[0].listed.ip, "127.0.22.3");
    EXPECT_FALSE(rig.browser.rows()[0].lastPlayed);
    rig.browser.keepList();
    EXPECT_EQ(servers::loadKeptList(rig.keptPath)->servers.size(), 1u);
}

// A list can name one host many times with any port: only 16 servers of an address are asked
// a refresh, and no query port below 1024; the others are shown and say why they have no ping.
TEST(ServersBrowser, PingsNoLowPortAndAtMost16ServersOfAnAddress) {
    struct Entry {
        std::string ip;
        int queryPort;
        std::string pinged;  // the Ping cell once every asked server answered
    };
    std::vector<Entry> entries;
    for (int i = 0; i < 18; ++i) {
        entries.push_back({"127.0.22.1", 30000 + i, i < 16 ? "5 ms" : "not pinged"});
    }
    const std::vector<Entry> others = {
        {"127.0.22.2", 53, "not pinged"}, {"127.0.22.2", 1023, "not pinged"},
        {"127.0.22.2", 1024, "5 ms"},     {"127.0.22.3", 23000, "5 ms"},
        {"127.0.22.1", 22, "not pinged"},  // a low port does not count among the 16
        {"127.0.22.4", 0, "5 ms"},         // no query port: the usual one
    };
    entries.insert(entries.begin() + 3, others.begin(), others.end());
    std::string page;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        page += (page.empty() ? "" : ",") + std::string(R"({"ip":")") + entries[i].ip +
                R"(","port":)" + std::to_string(14000 + i) +
                (entries[i].queryPort ? R"(,"queryPort":)" + std::to_string(entries[i].queryPort)
                                      : std::string()) +
                "}";
    }
    page = R"({"servers":[)" + page + R"(],"hasMore":false})";

    BrowserRig rig;
    rig.browser.opened();
    rig.http.answer(200, page);
    const auto& rows = rig.browser.rows();
    ASSERT_EQ(rows.size(), entries.size());
    ASSERT_EQ(rig.pings.asked.size(), 1u);
    std::map<std::string, int> perAddress;
    for (const servers::PingTarget& target : rig.pings.asked[0]) {
        EXPECT_GE(target.queryPort, 1024) << target.ip << ":" << target.port;
        ++perAddress[target.ip];
    }
    EXPECT_EQ(perAddress,
              (std::map<std::string, int>{
                  {"127.0.22.1", 16}, {"127.0.22.2", 1}, {"127.0.22.3", 1}, {"127.0.22.4", 1}}));
    for (const servers::PingTarget& target : rig.pings.asked[0]) {
        rig.pings.answer(target.ip, target.port, 5);
    }
    // An answer for a server not pinged (a bookmark's, asked for the bookmark) changes nothing.
    rig.pings.answer("127.0.22.1", 14022, 9);
    rig.pings.answer("127.0.22.1", 14007, 9);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].listed.address() + " query port " +
                     std::to_string(entries[i].queryPort));
        EXPECT_EQ(cellText(rows[i], servers::Column::Ping), entries[i].pinged);
        const std::string details = detailsText(rows[i]);
        const bool low = entries[i].queryPort != 0 && entries[i].queryPort < 1024;
        EXPECT_EQ(details.find("Not pinged: query port below 1024.") != std::string::npos, low);
        EXPECT_EQ(
            details.find("Not pinged: more than 16 servers at this address.") != std::string::npos,
            !low && entries[i].pinged == "not pinged");
        EXPECT_EQ(details.find("Ping:") != std::string::npos, entries[i].pinged != "not pinged");
    }
    // A server not pinged has no ping to pass a limit by, and sorts after the rest.
    EXPECT_FALSE(servers::passes(rows[3], servers::Filter{"", false, false, false, 100}, ""));
    EXPECT_TRUE(servers::passes(rows[0], servers::Filter{"", false, false, false, 100}, ""));
    EXPECT_TRUE(lessThan(rows[0], rows[3], servers::Column::Ping));
    EXPECT_FALSE(lessThan(rows[3], rows[0], servers::Column::Ping));

    // The count starts anew at each refresh: the same 19 are asked again.
    rig.browser.refresh();
    rig.http.answer(200, page);
    ASSERT_EQ(rig.pings.asked.size(), 2u);
    EXPECT_EQ(rig.pings.asked[1].size(), 19u);
}

TEST(ServersBrowser, WhenItOpensAndWhatTheLineSays) {
    struct Case {
        const char* name;
        std::optional<std::time_t> keptAge;  // a kept list this old, or none
        bool urlSet;
        bool answered;  // the list answers (else it fails)
        std::size_t requests;
        std::string lineBefore;  // right after opening
        std::string lineAfter;   // once the list answered or failed
        std::size_t rows;
        bool dimmed;
    };
    const std::string getting = "Getting the server list\u2026";
    const std::string failed = "The server list can't be reached.";
    const std::string keptFailed =
        failed + " Showing the list of " + servers::clockTime(1'800'000'000 - 600) + ".";
    const Case cases[] = {
        {"nothing kept, list answers", std::nullopt, true, true, 1, getting, "1 server, 2 players",
         1, false},
        {"nothing kept, list fails", std::nullopt, true, false, 1, getting, failed, 0, false},
        {"kept, list answers", 600, true, true, 1, getting, "1 server, 2 players", 1, false},
        {"kept, list fails", 600, true, false, 1, getting, keptFailed, 2, true},
        // Kept by a run just before: asked all the same.
        {"kept under a minute ago", 30, true, true, 1, getting, "1 server, 2 players", 1, false},
        {"list turned off, nothing kept", std::nullopt, false, false, 0, failed, failed, 0, false},
        {"list turned off, kept", 600, false, false, 0, keptFailed, keptFailed, 2, true},
    };
    for (const Case& c : cases) {
        BrowserRig rig;
        if (c.keptAge) {
            servers::KeptList kept;
            kept.time = rig.now - *c.keptAge;
            kept.fromLoopback = true;
            kept.servers = servers::parsePage(onePage("127.0.22.7,127.0.22.8"), true)->servers;
            ASSERT_TRUE(servers::saveKeptList(rig.keptPath, kept)) << c.name;
        }
        if (!c.urlSet) {
            rig.browser.setListUrl("");
        }
        rig.browser.opened();
        EXPECT_EQ(rig.line(), c.lineBefore) << c.name;
        EXPECT_EQ(rig.http.urls.size(), c.requests) << c.name;
        if (!rig.http.pending.empty()) {
            if (c.answered) {
                rig.http.answer(200, onePage("127.0.22.1"));
            } else {
                rig.http.fail("refused");
            }
        }
        EXPECT_EQ(rig.line(), c.lineAfter) << c.name;
        EXPECT_EQ(rig.browser.rows().size(), c.rows) << c.name;
        EXPECT_EQ(rig.browser.showingKept(), c.dimmed) << c.name;
        // The pings of the rows shown are asked each time the window opens.
        EXPECT_EQ(rig.pings.asked.empty(), c.rows == 0) << c.name;
    }
}

TEST(ServersBrowser, ClosingDropsTheWalkAndReopeningWithinAMinuteAsksNothing) {
    BrowserRig rig;
    rig.browser.opened();
    rig.browser.closed();
    EXPECT_TRUE(rig.http.pending.empty());
    rig.browser.opened();
    ASSERT_EQ(rig.http.pending.size(), 1u);
    rig.http.answer(200, onePage("127.0.22.1"));
    rig.browser.closed();
    rig.now += 59;
    rig.browser.opened();
    EXPECT_EQ(rig.http.urls.size(), 2u);
    rig.browser.closed();
    rig.now += 1;
    rig.browser.opened();
    EXPECT_EQ(rig.http.urls.size(), 3u);
    // A failed refresh keeps what is shown.
    rig.http.answer(500, "");
    EXPECT_EQ(rig.browser.rows().size(), 1u);
    EXPECT_EQ(rig.line(), "The server list can't be reached. Showing the list of " +
                              servers::clockTime(rig.now - 60) + ".");
}

TEST(ServersBrowser, BookmarkedRowsAreMarked) {
    BrowserRig rig;
    rig.browser.setBookmarks({{"127.0.22.2", "14567"}, {" 127.0.22.1 ", "14568"}});
    rig.browser.opened();
    rig.http.answer(200, onePage("127.0.22.1,127.0.22.2"));
    EXPECT_FALSE(rig.browser.rows()[0].bookmarked);
    EXPECT_TRUE(rig.browser.rows()[1].bookmarked);
    rig.browser.setBookmarks({{" 127.0.22.1 ", "14567"}});
    EXPECT_TRUE(rig.browser.rows()[0].bookmarked);
    EXPECT_FALSE(rig.browser.rows()[1].bookmarked);
}

TEST(ServersBrowser, AListThatCannotBeKeptIsToldOnce) {
    BrowserRig rig;
    std::filesystem::create_directories(rig.keptPath);  // a folder in the file's place
    for (int round = 0; round < 2; ++round) {
        rig.browser.refresh();
        rig.http.answer(200, onePage("127.0.22.1"));
        rig.browser.keepList();
    }
    ASSERT_EQ(rig.keepFailures.size(), 1u);
    EXPECT_EQ(rig.keepFailures[0], rig.keptPath + ": It is a folder.");
    EXPECT_TRUE(std::filesystem::is_directory(rig.keptPath));
}

TEST(KeptServerList, RoundTripAndBadFiles) {
    TempFolder folder;
    servers::KeptList list;
    list.time = 1'700'000'000;
    list.fromLoopback = false;
    list.servers = servers::parsePage(
                       R"({"servers":[{"ip":"81.0.0.1","port":14567,"queryPort":23005,
        "name":"<i>x</i>","numPlayers":1,"maxPlayers":64,"mapName":"Wake","password":true,
        "gameId":"xpack1","teams":[{"index":1,"label":"Axis"},{"index":2,"label":"Allies"}],
        "players":[{"name":"P","score":3,"team":2}]}]})",
                       false)
                       ->servers;
    const std::string path = folder / "a/b/servers.json";
    ASSERT_TRUE(servers::saveKeptList(path, list));
    const auto back = servers::loadKeptList(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->time, list.time);
    ASSERT_EQ(back->servers.size(), 1u);
    const auto& s = back->servers[0];
    EXPECT_EQ(s.queryPort, 23005);
    EXPECT_EQ(s.info.hostName, "<i>x</i>");
    EXPECT_EQ(s.info.maxPlayers, 64);
    EXPECT_TRUE(s.info.password);
    EXPECT_EQ(s.info.activeMods, "xpack1");
    ASSERT_EQ(s.info.players.size(), 1u);
    EXPECT_EQ(s.info.teamName(s.info.players[0].team), "Allies");
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path() / "a/b"),
                            std::filesystem::directory_iterator()),
              1);

    const std::pair<const char*, std::string> bad[] = {
        {"junk", "\x01\x02garbage"},
        {"cut short", servers::encodeKeptList(list).substr(0, 40)},
        {"another format", R"({"format":2,"time":1,"servers":[]})"},
        {"no time", R"({"format":1,"servers":[]})"},
        {"empty", ""},
    };
    for (const auto& [name, text] : bad) {
        EXPECT_FALSE(servers::loadKeptList(folder.file("bad.json", text))) << name;
    }
    EXPECT_FALSE(servers::loadKeptList(folder / "missing.json"));
    // A kept list from a list on the network never brings loopback servers back.
    const std::string tampered =
        R"({"format":1,"time":5,"servers":[{"ip":"127.0.0.1","port":1},{"ip":"81.0.0.1","port":1}]})";
    const auto read = servers::decodeKeptList(tampered);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->servers.size(), 1u);
}

}  // namespace
}  // namespace zerlin::test
