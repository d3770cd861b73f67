#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "doubles/doubles.h"
#include "doubles/http_double.h"
#include "doubles/network_doubles.h"
#include "doubles/tcp_double.h"
#include "doubles/temp_folder.h"
#include "servers/address_rules.h"
#include "servers/kept_list.h"
#include "servers/servers_browser.h"

namespace zerlin::test {
namespace {

using servers::ServersBrowser;
using Phase = ServersBrowser::Phase;

using namespace std::chrono_literals;

// The program's status service on an in-memory network: the browser asks it as it asks the
// real one, and a server answers when the test says.
struct FakeServers {
    FakeNetwork net;
    status::StatusService service{net, net, net.clock, net.timer};

    // Waits for the query to the endpoint, then answers it `pingMs` after it left (with 7
    // players), or lets every try of it go unanswered.
    void answer(const std::string& ip, std::uint16_t queryPort, std::uint16_t gamePort,
                std::optional<int> pingMs) {
        const net::Endpoint to = endpoint(ip, queryPort);
        for (int guard = 0; guard < 1000 && net.sentTo(to).empty(); ++guard) {
            net.runFor(1ms);
        }
        const auto sent = net.sentTo(to);
        ASSERT_FALSE(sent.empty()) << ip << ":" << queryPort << " was never asked";
        if (!pingMs) {
            net.runFor(status::kTries * status::kTryTime + 1s);
            return;
        }
        net.runUntil(sent.back().at + std::chrono::milliseconds(*pingMs));
        const std::string pairs =
            "\\hostname\\S\\mapname\\Wake\\numplayers\\7\\maxplayers\\64"
            "\\hostport\\" +
            std::to_string(gamePort);
        for (const std::string& part : replyParts(pairs, "1")) {
            net.deliver(to, part);
        }
    }
    // The servers of the keys being asked now.
    std::size_t asking(const std::vector<servers::ServerRow>& rows) const {
        return static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), [&](const auto& r) {
            return service.state(status::listedServer(r.listed.ip, r.listed.port)).asking;
        }));
    }
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
    FakeServers pings;
    FakeTimer sourcesTimer;
    FakeTcp tcp;  // the masters, asked only when set
    masters::MasterList masters{tcp, pings.net, [] { return std::make_unique<FakeTimer>(); },
                                servers::allowed};
    servers::ServerSources sources{walk, &masters, pings.service, sourcesTimer};
    std::time_t now = 1'800'000'000;
    int replaced = 0;
    std::vector<std::size_t> changedRows;
    std::vector<std::string> keepFailures;
    FakeTimer refreshTimer, keepTimer, batchTimer, lineTimer, settleTimer, askTimer;
    ServersBrowser browser;
    // hooks: the window's, beside the rig's own
    explicit BrowserRig(ServersBrowser::Hooks hooks = {})
        : browser(
              sources, pings.service, keptPath, [this] { return now; },
              {refreshTimer, keepTimer, batchTimer, lineTimer, settleTimer, askTimer},
              withOwn(hooks)) {
        browser.setListUrl(kUrl);
    }
    ServersBrowser::Hooks withOwn(ServersBrowser::Hooks hooks) {
        hooks.rowsReplaced = [this] { ++replaced; };
        hooks.rowChanged = [this](std::size_t r) { changedRows.push_back(r); };
        hooks.keepFailed = [this](const std::string& why) { keepFailures.push_back(why); };
        return hooks;
    }
    std::string line() const {
        std::vector<std::size_t> all(browser.rows().size());
        std::iota(all.begin(), all.end(), 0);
        return browser.statusLine(all);
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
    EXPECT_EQ(rig.pings.asking(rig.browser.rows()), 2u);
    EXPECT_EQ(rig.browser.rows()[0].ping, servers::Ping::Asking);

    // No query port in the list: the usual one.
    rig.pings.answer("127.0.22.2", 23000, 14567, 31);
    rig.pings.answer("127.0.22.1", 23000, 14567, std::nullopt);
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

// The list's servers are shown as soon as the list is in; a master that answers later adds its
// servers as each answers (one that never does is left out), and the list's it lists too say so.
TEST(ServersBrowser, TheListAtOnceThenTheMastersServersAsTheyAnswer) {
    std::vector<std::pair<std::size_t, std::size_t>> added;
    ServersBrowser::Hooks hooks;
    hooks.rowsAdding = [&](std::size_t first, std::size_t last) {
        added.emplace_back(first, last);
    };
    BrowserRig rig(hooks);
    rig.pings.net.hosts["master.test"] = {endpoint("127.0.28.9", 1).address};
    rig.browser.setMasters("master.test");
    rig.browser.opened();
    rig.pings.net.answerLookUps();
    FakeTcp::Connection* master = rig.tcp.to("127.0.28.9");
    ASSERT_NE(master, nullptr);
    master->handlers.connected();
    master->handlers.received("\\basic\\\\secure\\ABCDEF");

    rig.http.answer(200, onePage("127.0.22.1,127.0.22.2"));
    ASSERT_EQ(rig.browser.rows().size(), 2u);
    EXPECT_EQ(rig.browser.phase(), Phase::Listed);
    EXPECT_EQ(rig.browser.rows()[0].listed.listedBy,
              std::vector<std::string>{servers::kCommunityListName});

    master->handlers.received(record("127.0.22.1", 23000) + record("127.0.22.7", 23001) +
                              record("127.0.22.8", 23002) + "\\final\\");
    master->handlers.closed();
    rig.pings.answer("127.0.22.7", 23001, 14570, 20);
    rig.pings.answer("127.0.22.8", 23002, 14571, std::nullopt);
    EXPECT_EQ(rig.browser.rows().size(), 2u);  // shown with the next batch
    rig.batchTimer.fire();
    ASSERT_EQ(rig.browser.rows().size(), 3u);
    EXPECT_EQ(added, (std::vector<std::pair<std::size_t, std::size_t>>{{2, 2}}));
    const servers::ServerRow& row = rig.browser.rows()[2];
    EXPECT_EQ(row.listed.address(), "127.0.22.7:14570");
    EXPECT_EQ(row.listed.listedBy, std::vector<std::string>{"master.test"});
    EXPECT_EQ(row.ping, servers::Ping::Asking);  // asked again, as a row, at its query port
    EXPECT_EQ(rig.browser.rows()[0].listed.listedBy,
              (std::vector<std::string>{servers::kCommunityListName, "master.test"}));
    EXPECT_EQ(rig.line(), "3 servers, 11 players");

    rig.sourcesTimer.fire();  // the gathering ends
    rig.browser.keepList();
    const auto kept = servers::loadKeptList(rig.keptPath);
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->servers.size(), 3u);
    EXPECT_EQ(kept->servers[2].address(), "127.0.22.7:14570");

    // Asked again, the master first this time: its server is shown with its last answer at
    // once, with the list, and is not lost while it is asked again.
    rig.browser.refresh();
    rig.pings.net.answerLookUps();
    master = rig.tcp.to("127.0.28.9");
    ASSERT_NE(master, nullptr);
    master->handlers.connected();
    master->handlers.received("\\basic\\\\secure\\ABCDEF");
    master->handlers.received(record("127.0.22.7", 23001) + "\\final\\");
    master->handlers.closed();
    rig.http.answer(200, onePage("127.0.22.1"));
    rig.batchTimer.fire();
    ASSERT_EQ(rig.browser.rows().size(), 2u);
    EXPECT_EQ(rig.browser.rows()[1].listed.address(), "127.0.22.7:14570");
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
    EXPECT_EQ(rig.pings.asking(rig.browser.rows()), 2u);
    // A query port not known is searched for, from the usual one on.
    rig.pings.net.hosts["Host.Example"] = {*status::parseIpAddress("127.0.23.1")};
    rig.pings.net.answerLookUps();
    rig.pings.answer("127.0.23.1", 23000, 14600, 12);
    EXPECT_EQ(cellText(rig.browser.rows()[0], servers::Column::Ping), "12 ms");
    rig.pings.answer("10.1.2.3", 23007, 14567, 40);
    EXPECT_EQ(cellText(rig.browser.rows()[1], servers::Column::Ping), "40 ms");
    EXPECT_EQ(rig.browser.findRow(" host.example ", 14600), &rig.browser.rows()[0]);
    EXPECT_NE(rig.browser.findRow("127.0.22.2", 14567), nullptr);  // the list's, set aside

    // The list fails meanwhile: the played servers stay, summed up.
    rig.browser.refresh();
    rig.http.answer(500, "");
    EXPECT_EQ(rig.line(), "2 servers, 14 players");  // both answered, 7 players each
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
    EXPECT_EQ(rig.pings.asking(rows), 19u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].pinged != "not pinged") {
            const int queryPort = entries[i].queryPort ? entries[i].queryPort : 23000;
            rig.pings.answer(entries[i].ip, static_cast<std::uint16_t>(queryPort),
                             static_cast<std::uint16_t>(14000 + i), 5);
        }
    }
    // What left on the wire: no low port, 16 of the crowded address.
    rig.pings.net.runFor(10s);
    std::map<net::IpAddress, std::set<std::uint16_t>> perAddress;
    for (const auto& sent : rig.pings.net.sent) {
        EXPECT_GE(sent.to.port, 1024);
        perAddress[sent.to.address].insert(sent.to.port);
    }
    EXPECT_EQ(perAddress[endpoint("127.0.22.1", 0).address].size(), 16u);
    EXPECT_EQ(perAddress[endpoint("127.0.22.2", 0).address].size(), 1u);
    // An answer for a server not pinged (a bookmark's, asked for the bookmark) changes nothing.
    status::StatusClient bookmarks(rig.pings.service);
    bookmarks.ask({status::listedServer("127.0.22.1", 14022), std::uint16_t{30016}});
    rig.pings.answer("127.0.22.1", 30016, 14022, 9);
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
        EXPECT_TRUE(details.ends_with("\nListed by: the community list")) << details;
    }
    // A server not pinged has no ping to pass a limit by, and sorts after the rest.
    EXPECT_FALSE(servers::passes(rows[3], servers::Filter{"", false, false, false, 100}, ""));
    EXPECT_TRUE(servers::passes(rows[0], servers::Filter{"", false, false, false, 100}, ""));
    EXPECT_TRUE(lessThan(rows[0], rows[3], servers::Column::Ping));
    EXPECT_FALSE(lessThan(rows[3], rows[0], servers::Column::Ping));

    // The count starts anew at each refresh: the same 19 are asked again.
    rig.browser.refresh();
    rig.http.answer(200, page);
    EXPECT_EQ(rig.pings.asking(rows), 19u);
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
        EXPECT_EQ(rig.pings.asking(rig.browser.rows()), c.rows) << c.name;
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

// Ticks a timer that was armed, as the event loop would.
void tick(FakeTimer& timer) {
    ASSERT_TRUE(timer.active);
    timer.active = false;
    timer.handler();
}

TEST(ServersBrowser, RefreshesEveryTwoMinutesWhileShown) {
    int refreshed = 0;
    ServersBrowser::Hooks hooks;
    hooks.refreshed = [&refreshed] { ++refreshed; };
    BrowserRig rig(hooks);
    rig.browser.opened();
    EXPECT_TRUE(rig.refreshTimer.active);
    EXPECT_EQ(rig.refreshTimer.lastDelay, std::chrono::minutes(2));
    rig.http.answer(200, onePage("127.0.22.1"));
    for (int round = 1; round <= 2; ++round) {
        tick(rig.refreshTimer);
        EXPECT_EQ(refreshed, round);
        EXPECT_EQ(rig.http.urls.size(), 1u + round);
        EXPECT_TRUE(rig.refreshTimer.active);  // armed again
        rig.http.answer(200, onePage("127.0.22.1"));
    }
    rig.browser.closed();
    EXPECT_FALSE(rig.refreshTimer.active);
}

TEST(ServersBrowser, KeepsTheListAWhileAfterItCameAndWhenClosed) {
    struct Case {
        const char* name;
        bool closeFirst;  // closed before the keep timer ticks
    };
    for (const Case c : {Case{"timer", false}, Case{"closed", true}}) {
        BrowserRig rig;
        rig.browser.opened();
        EXPECT_FALSE(rig.keepTimer.active) << c.name;
        rig.http.answer(200, onePage("127.0.22.1"));
        EXPECT_TRUE(rig.keepTimer.active) << c.name;
        EXPECT_EQ(rig.keepTimer.lastDelay, std::chrono::seconds(3)) << c.name;
        EXPECT_FALSE(servers::loadKeptList(rig.keptPath)) << c.name;
        if (c.closeFirst) {
            rig.browser.closed();
            EXPECT_FALSE(rig.keepTimer.active) << c.name;
        } else {
            tick(rig.keepTimer);
        }
        EXPECT_TRUE(servers::loadKeptList(rig.keptPath)) << c.name;
        EXPECT_FALSE(rig.browser.listToKeep()) << c.name;
    }
}

TEST(ServersBrowser, ALongListIsAskedInStepsInItsOrderEachServerOnce) {
    // 600 servers of their own addresses, none answering.
    const std::size_t count = 2 * servers::kAskStep + 100;
    std::string ips;
    for (std::size_t i = 0; i < count; ++i) {
        ips += (ips.empty() ? "" : ",") + std::string("127.0.") + std::to_string(40 + i / 200) +
               "." + std::to_string(1 + i % 200);
    }
    BrowserRig rig;
    rig.browser.opened();
    rig.http.answer(200, onePage(ips));
    const auto& rows = rig.browser.rows();
    ASSERT_EQ(rows.size(), count);
    EXPECT_EQ(rig.replaced, 1);
    const auto asked = [&rig, &rows](std::size_t row) {
        return rig.pings.service.state(status::listedServer(rows[row].listed.ip, 14567)).asking;
    };
    // Each step hands the next rows, in order; the service sends on meanwhile.
    for (const std::size_t handed : {servers::kAskStep, 2 * servers::kAskStep, count}) {
        SCOPED_TRACE(handed);
        EXPECT_EQ(rig.pings.asking(rows), handed);
        EXPECT_TRUE(asked(handed - 1));
        if (handed < count) {
            EXPECT_FALSE(asked(handed));
            EXPECT_EQ(rows[handed].ping, servers::Ping::None);
            rig.pings.net.runFor(100ms);
            tick(rig.askTimer);
            // The rows handed are shown asking with the next batch.
            EXPECT_EQ(rows[handed].ping, servers::Ping::Asking);
            EXPECT_TRUE(rig.batchTimer.active);
        }
    }
    EXPECT_FALSE(rig.askTimer.active);
    EXPECT_EQ(rig.replaced, 1);

    // Every server is sent its tries, and no more, the first of each in the rows' order.
    rig.pings.net.runFor(count * status::kSendInterval + 2 * status::kTries * status::kTryTime);
    EXPECT_EQ(rig.pings.asking(rows), 0u);
    EXPECT_EQ(rig.pings.net.sent.size(), count * status::kTries);
    std::chrono::microseconds previous{};
    for (std::size_t row = 0; row < count; ++row) {
        const auto sent = rig.pings.net.sentTo(endpoint(rows[row].listed.ip, 23000));
        ASSERT_EQ(sent.size(), static_cast<std::size_t>(status::kTries)) << row;
        EXPECT_LE(previous, sent.front().at) << row;
        previous = sent.front().at;
    }

    // A refresh while steps are left starts the asking over: each server is asked once.
    rig.browser.refresh();
    rig.http.answer(200, onePage(ips));
    rig.browser.refresh();
    rig.http.answer(200, onePage(ips));
    EXPECT_EQ(rig.pings.asking(rows), servers::kAskStep);
    for (int guard = 0; guard < 10 && rig.askTimer.active; ++guard) {
        tick(rig.askTimer);
    }
    EXPECT_EQ(rig.pings.asking(rows), count);
    rig.pings.net.runFor(count * status::kSendInterval + 2 * status::kTries * status::kTryTime);
    EXPECT_EQ(rig.pings.net.sent.size(), 2 * count * status::kTries);
}

TEST(ServersBrowser, AnswersShownInBatchesThenTheLineThenSettled) {
    std::vector<std::pair<std::size_t, std::size_t>> shown;
    int summed = 0;
    int settled = 0;
    bool held = true;
    ServersBrowser::Hooks hooks;
    hooks.rowsChanged = [&](std::size_t first, std::size_t last) {
        shown.emplace_back(first, last);
    };
    hooks.answersSummed = [&] { ++summed; };
    hooks.rowsHeld = [&] { return held; };
    hooks.settled = [&] { ++settled; };
    BrowserRig rig(hooks);
    rig.browser.opened();
    rig.http.answer(200, onePage("127.0.22.1,127.0.22.2,127.0.22.3,127.0.22.4"));
    EXPECT_FALSE(rig.batchTimer.active);  // the rows came whole
    rig.pings.answer("127.0.22.3", 23000, 14567, 5);
    EXPECT_TRUE(rig.batchTimer.active);
    EXPECT_EQ(rig.batchTimer.lastDelay, std::chrono::milliseconds(16));
    rig.pings.answer("127.0.22.2", 23000, 14567, 5);
    EXPECT_EQ(rig.batchTimer.starts, 1);  // one batch for a run of answers
    EXPECT_TRUE(shown.empty());
    tick(rig.batchTimer);
    EXPECT_EQ(shown, (std::vector<std::pair<std::size_t, std::size_t>>{{1, 2}}));
    EXPECT_EQ(rig.lineTimer.lastDelay, std::chrono::milliseconds(100));
    EXPECT_EQ(rig.settleTimer.lastDelay, std::chrono::milliseconds(600));
    rig.pings.answer("127.0.22.4", 23000, 14567, 5);
    tick(rig.batchTimer);
    EXPECT_EQ(shown.back(), (std::pair<std::size_t, std::size_t>{3, 3}));
    EXPECT_EQ(rig.lineTimer.starts, 1);  // still armed from the first batch
    tick(rig.lineTimer);
    EXPECT_EQ(summed, 1);
    // Held (the pointer over the rows): it waits as long again.
    tick(rig.settleTimer);
    EXPECT_EQ(settled, 0);
    EXPECT_TRUE(rig.settleTimer.active);
    held = false;
    tick(rig.settleTimer);
    EXPECT_EQ(settled, 1);
    // A new list drops a batch under way.
    rig.pings.answer("127.0.22.1", 23000, 14567, 5);
    rig.browser.refresh();
    rig.http.answer(200, onePage("127.0.22.1"));
    EXPECT_FALSE(rig.batchTimer.active);
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
