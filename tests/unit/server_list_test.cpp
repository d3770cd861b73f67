#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "doubles/doubles.h"
#include "doubles/http_double.h"
#include "servers/address_rules.h"
#include "servers/list_walk.h"
#include "servers/page.h"
#include "servers/server_json.h"
#include "status/host.h"
#include "text/utf8.h"

namespace zerlin::test {
namespace {

using servers::ListWalk;
// What a walk ends with: the servers, or why it failed.
using Walked = Result<std::vector<servers::ListedServer>>;

TEST(ServerAddressRules, OnlyPublicUnicastIpv4UnlessTheListIsOnLoopback) {
    struct Case {
        const char* ip;
        bool allowed;          // from a list on the network
        bool allowedLoopback;  // from a list served from loopback
    };
    const Case cases[] = {
        {"81.19.208.10", true, true},
        {"8.8.8.8", true, true},
        {"223.255.255.254", true, true},
        {"127.0.0.1", false, true},
        {"127.0.22.5", false, true},
        {"10.1.2.3", false, false},
        {"172.16.0.1", false, false},
        {"172.31.255.255", false, false},
        {"172.32.0.1", true, true},
        {"172.15.255.255", true, true},
        {"192.168.1.1", false, false},
        {"100.64.0.1", false, false},
        {"100.127.255.255", false, false},
        {"100.128.0.1", true, true},
        {"169.254.10.10", false, false},
        {"224.0.0.1", false, false},
        {"239.255.255.250", false, false},
        {"240.0.0.1", false, false},
        {"255.255.255.255", false, false},
        {"0.0.0.0", false, false},
        {"0.1.2.3", false, false},
        {"192.0.2.1", false, false},
        {"198.51.100.7", false, false},
        {"203.0.113.9", false, false},
        {"198.18.0.1", false, false},
        {"192.0.0.8", false, false},
        // Texts that are no dotted IPv4 address at all.
        {"127.1", false, false},
        {"010.1.2.3", false, false},
        {"1.2.3.256", false, false},
        {"1.2.3.4 ", false, false},
        {" 1.2.3.4", false, false},
        {"1.2.3.4.5", false, false},
        {"::1", false, false},
        {"example.com", false, false},
        {"", false, false},
        {"+1.2.3.4", false, false},
    };
    for (const Case& c : cases) {
        const auto address = status::parseIpv4(c.ip);
        EXPECT_EQ(address && servers::allowed(*address, false), c.allowed) << c.ip;
        EXPECT_EQ(address && servers::allowed(*address, true), c.allowedLoopback) << c.ip;
    }
}

TEST(ServerAddressRules, ListServedFromLoopback) {
    const std::pair<const char*, bool> cases[] = {
        {"http://127.0.21.1:8080/v2/bf1942", true},
        {"http://127.0.0.1/", true},
        {"http://localhost:9000/x", true},
        {"http://LOCALHOST/x", true},
        {"http://[::1]:80/x", true},
        {"https://api.example.org/v2/bf1942", false},
        {"https://127.0.0.1.example.org/", false},
        {"http://user@127.0.0.1/", true},
        {"http://127.0.0.1@example.org/", false},
        {"http://10.0.0.1/", false},
        {"127.0.0.1", false},
    };
    for (const auto& [url, loopback] : cases) {
        EXPECT_EQ(servers::servedFromLoopback(url), loopback) << url;
    }
}

TEST(ServerPage, ReadsWhatItCanAndToleratesTheRest) {
    struct Case {
        const char* name;
        std::string body;
        bool ok;
        std::vector<std::string> addresses;
        std::string cursor;
        bool hasMore;
        std::string lastIp;
    };
    const std::string longName(300, 'x');
    const Case cases[] = {
        {"plain",
         R"({"servers":[{"ip":"81.0.0.1","port":14567,"name":"A"},{"ip":"81.0.0.2","port":14568}],
             "cursor":"c1","hasMore":true})",
         true,
         {"81.0.0.1:14567", "81.0.0.2:14568"},
         "c1",
         true,
         "81.0.0.2"},
        {"no json", "<html>oops</html>", false, {}, "", false, ""},
        {"cut short", R"({"servers":[{"ip":"81.0.0.1")", false, {}, "", false, ""},
        {"an array", "[]", false, {}, "", false, ""},
        {"no servers", R"({"cursor":"x"})", true, {}, "x", false, ""},
        {"servers of another type",
         R"({"servers":{"ip":"81.0.0.1"},"hasMore":"yes"})",
         true,
         {},
         "",
         false,
         ""},
        {"entries of other types",
         R"({"servers":[1,"x",null,[],{"ip":81,"port":14567},{"ip":"81.0.0.3","port":"14567"},
             {"ip":"81.0.0.4","port":14567.0}],"cursor":5})",
         true,
         {"81.0.0.4:14567"},
         "",
         false,
         "81.0.0.3"},
        {"ports out of range",
         R"({"servers":[{"ip":"81.0.0.1","port":0},{"ip":"81.0.0.2","port":65536},
             {"ip":"81.0.0.3","port":-1},{"ip":"81.0.0.4","port":65535}]})",
         true,
         {"81.0.0.4:65535"},
         "",
         false,
         "81.0.0.4"},
        {"private, loopback and public",
         R"({"servers":[{"ip":"192.168.0.10","port":14567},{"ip":"127.0.0.1","port":14567},
             {"ip":"5.9.1.1","port":14567},{"ip":"10.0.0.1","port":14567}],"hasMore":true,
             "cursor":"z"})",
         true,
         {"5.9.1.1:14567"},
         "z",
         true,
         "10.0.0.1"},
    };
    for (const Case& c : cases) {
        const auto page = servers::parsePage(c.body, false);
        ASSERT_EQ(page.has_value(), c.ok) << c.name;
        if (!page) {
            continue;
        }
        std::vector<std::string> addresses;
        for (const auto& server : page->servers) {
            addresses.push_back(server.address());
        }
        EXPECT_EQ(addresses, c.addresses) << c.name;
        EXPECT_EQ(page->cursor, c.cursor) << c.name;
        EXPECT_EQ(page->hasMore, c.hasMore) << c.name;
        EXPECT_EQ(page->lastIp, c.lastIp) << c.name;
    }
}

TEST(ServerPage, FieldsLimitsAndTexts) {
    std::string players;
    for (int i = 0; i < 300; ++i) {
        players += std::string(i ? "," : "") + R"({"name":"p)" + std::to_string(i) +
                   R"(","score":)" + std::to_string(i) + R"(,"team":2})";
    }
    const std::string body =
        R"({"servers":[{"ip":"81.0.0.1","port":14567,"queryPort":23001,
        "name":"<b>Bold</b> \u0007bell)" +
        std::string(300, 'y') + R"(","numPlayers":300,"maxPlayers":64,"mapName":"Wake",
        "password":true,"gameType":"conquest","gameVersion":"v1.61","gameId":"DC_Final",
        "reservedSlots":2,"roundTimeRemain":600,"tickets1":150,"tickets2":"lots",
        "teams":[{"index":2,"label":"Allies","tickets":80},{"index":1,"label":"Axis","tickets":150}],
        "players":[)" +
        players + R"(]},
        {"ip":"81.0.0.2","port":14567,"queryPort":70000,"password":"yes","name":"Jürgen",
         "mapName":"Wake\u202E\u2066 Island\u0085\u2028"}]})";
    const auto page = servers::parsePage(body, false);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->servers.size(), 2u);
    const auto& a = page->servers[0];
    EXPECT_EQ(a.queryPort, 23001);
    // Markup stays text; a control character becomes a space; 256 characters at most.
    EXPECT_EQ(a.info.hostName.substr(0, 19), "<b>Bold</b>  bellyy");
    EXPECT_EQ(a.info.hostName.size(), 256u);
    EXPECT_EQ(a.info.numPlayers, 300);
    EXPECT_EQ(a.info.players.size(), 256u);
    EXPECT_EQ(a.info.maxPlayers, 64);
    EXPECT_TRUE(a.info.password);
    EXPECT_EQ(a.info.activeMods, "DC_Final");
    EXPECT_EQ(a.info.reservedSlots, 2);
    EXPECT_EQ(a.info.tickets1, 150);
    EXPECT_EQ(a.info.tickets2, 80);  // from the second team, the field being no number
    EXPECT_EQ(a.info.teamNames, (std::vector<std::string>{"Axis", "Allies"}));
    EXPECT_EQ(a.info.teamName(a.info.players[0].team), "Allies");
    const auto& b = page->servers[1];
    EXPECT_EQ(b.queryPort, 23000);
    EXPECT_FALSE(b.info.password);
    EXPECT_EQ(b.info.hostName, "Jürgen");
    EXPECT_EQ(b.info.mapName, "Wake Island  ");  // no override, no line break
    EXPECT_EQ(b.info.numPlayers, 0);
    EXPECT_FALSE(b.info.maxPlayers);
    // A name of many-byte characters is cut by characters, never inside one.
    std::string umlauts;
    for (int i = 0; i < 300; ++i) {
        umlauts += "ü";
    }
    const auto cut = servers::parsePage(
        R"({"servers":[{"ip":"81.0.0.1","port":1,"name":")" + umlauts + R"("}]})", false);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->servers[0].info.hostName.size(), 512u);
}

// Every listed text is cut to 256 characters as the text functions count them; what is not
// UTF-8 counts one character a byte and shows as U+FFFD.
TEST(ServerPage, CutsTextsByCharacters) {
    const auto repeated = [](std::string_view piece, std::size_t times) {
        std::string out;
        for (std::size_t i = 0; i < times; ++i) {
            out += piece;
        }
        return out;
    };
    const std::string x255 = repeated("x", 255);
    const struct {
        const char* name;
        std::string text;
        std::string clean;
    } cases[] = {
        {"short", "Wake", "Wake"},
        {"two-byte", repeated("\xC3\xBC", 300), repeated("\xC3\xBC", 256)},
        {"three-byte", repeated("\xE2\x82\xAC", 257), repeated("\xE2\x82\xAC", 256)},
        {"four-byte", repeated("\xF0\x9F\x98\x80", 256), repeated("\xF0\x9F\x98\x80", 256)},
        {"a stray lead byte is one character", x255 + "\xC3\xC3\xBC", x255 + "\xEF\xBF\xBD"},
        {"a truncated one at the end", x255 + "\xE2\x82", x255 + "\xEF\xBF\xBD"},
        {"line breaks", "a\nb\r\n", "a b  "},
    };
    for (const auto& c : cases) {
        const std::string clean = servers::cleanText(c.text);
        EXPECT_EQ(clean, c.clean) << c.name;
        EXPECT_LE(utf8::length(clean), servers::kMaxTextLength) << c.name;
    }
}

// Serves pages to a walk: each body in turn; a status other than 200 as given.
struct WalkRig {
    FakeHttp http;
    FakeTimer alarm;
    ListWalk walk{http, alarm};
    std::vector<Walked> outcomes;
    void start(const std::string& base = "http://127.0.21.1:8080/v2/bf1942/") {
        walk.start(base, [this](Walked outcome) { outcomes.push_back(std::move(outcome)); });
    }
};

std::string pageOf(const std::vector<std::string>& ips, const std::string& cursor, bool more) {
    std::string servers;
    for (const auto& ip : ips) {
        servers +=
            (servers.empty() ? "" : ",") + std::string(R"({"ip":")") + ip + R"(","port":14567})";
    }
    return R"({"servers":[)" + servers + R"(],"cursor":")" + cursor + R"(","hasMore":)" +
           (more ? "true" : "false") + "}";
}

TEST(ServerListWalk, FollowsCursorAndAfterAndStartsOverOnceOnGone) {
    struct Step {
        int status;
        std::string body;
        std::string expectUrl;  // the URL this step answers
    };
    const std::string first = "http://127.0.21.1:8080/v2/bf1942/servers?perPage=100";
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool ok;
        std::size_t servers;
    };
    const Case cases[] = {
        {"three pages",
         {{200, pageOf({"127.0.22.1", "127.0.22.2"}, "c+1/=", true), first},
          {200, pageOf({"127.0.22.3"}, "c2", true),
           first + "&cursor=c%2B1%2F%3D&after=127.0.22.2:14567"},
          {200, pageOf({"127.0.22.4", "127.0.22.1"}, "", false),
           first + "&cursor=c2&after=127.0.22.3:14567"}},
         true,
         4},
        {"gone once",
         {{200, pageOf({"127.0.22.1"}, "old", true), first},
          {410, "", first + "&cursor=old&after=127.0.22.1:14567"},
          {200, pageOf({"127.0.22.5"}, "new", true), first},
          {200, pageOf({"127.0.22.6"}, "", false), first + "&cursor=new&after=127.0.22.5:14567"}},
         true,
         2},
        {"gone twice",
         {{410, "", first},
          {200, pageOf({"127.0.22.1"}, "a", true), first},
          {410, "", first + "&cursor=a&after=127.0.22.1:14567"}},
         false,
         0},
        {"server error",
         {{200, pageOf({"127.0.22.1"}, "a", true), first},
          {503, "busy", first + "&cursor=a&after=127.0.22.1:14567"}},
         false,
         0},
        {"not found", {{404, "", first}}, false, 0},
        {"no json", {{200, "<html>", first}}, false, 0},
        {"hasMore but no server to go on from", {{200, pageOf({}, "a", true), first}}, true, 0},
    };
    for (const Case& c : cases) {
        WalkRig rig;
        rig.start();
        for (const Step& step : c.steps) {
            ASSERT_EQ(rig.http.pending.size(), 1u) << c.name;
            EXPECT_EQ(rig.http.pending.front().url, step.expectUrl) << c.name;
            rig.http.answer(step.status, step.body);
        }
        EXPECT_TRUE(rig.http.pending.empty()) << c.name;
        ASSERT_EQ(rig.outcomes.size(), 1u) << c.name;
        EXPECT_EQ(rig.outcomes[0].ok(), c.ok) << c.name;
        EXPECT_EQ(rig.outcomes[0].value().size(), c.servers) << c.name;
        EXPECT_FALSE(rig.walk.running()) << c.name;
        EXPECT_FALSE(rig.alarm.armed) << c.name;
    }
}

TEST(ServerListWalk, FailuresTimeAndLimits) {
    {  // a request that fails on the way
        WalkRig rig;
        rig.start();
        rig.http.fail("timed out");
        ASSERT_EQ(rig.outcomes.size(), 1u);
        EXPECT_FALSE(rig.outcomes[0].ok());
    }
    {  // the whole walk's time runs out while a page hangs: the request is dropped
        WalkRig rig;
        rig.start();
        EXPECT_EQ(rig.alarm.armed, servers::kRefreshTime);
        rig.alarm.fire();
        ASSERT_EQ(rig.outcomes.size(), 1u);
        EXPECT_FALSE(rig.outcomes[0].ok());
        EXPECT_TRUE(rig.http.pending.empty());
    }
    {  // 100 pages at most, ending with what they gave
        WalkRig rig;
        rig.start();
        int pages = 0;
        while (!rig.http.pending.empty() && pages < 150) {
            rig.http.answer(200, pageOf({"127.0.22." + std::to_string(pages % 250 + 1)},
                                        "c" + std::to_string(pages), true));
            ++pages;
        }
        EXPECT_EQ(pages, servers::kMaxPages);
        ASSERT_EQ(rig.outcomes.size(), 1u);
        EXPECT_TRUE(rig.outcomes[0].ok());
    }
    {  // the bytes asked shrink with what the pages before took
        WalkRig rig;
        rig.start();
        EXPECT_EQ(rig.http.pending.front().maxBytes, servers::kMaxJsonBytes);
        const std::string body = pageOf({"127.0.22.1"}, "a", true);
        rig.http.answer(200, body);
        EXPECT_EQ(rig.http.pending.front().maxBytes, servers::kMaxJsonBytes - body.size());
    }
    {  // a new start drops the walk under way without telling it
        WalkRig rig;
        rig.start();
        rig.start();
        EXPECT_EQ(rig.http.cancels, 1);
        rig.http.answer(200, pageOf({"127.0.22.1"}, "", false));
        ASSERT_EQ(rig.outcomes.size(), 1u);
        EXPECT_TRUE(rig.outcomes[0].ok());
    }
}

TEST(ServerListWalk, TenThousandServersAtMost) {
    WalkRig rig;
    rig.start();
    int page = 0;
    while (!rig.http.pending.empty() && page < 20) {
        std::vector<std::string> ips;
        for (int i = 0; i < 1000; ++i) {
            const int n = page * 1000 + i;
            ips.push_back("127." + std::to_string(n / 65536) + "." + std::to_string(n / 256 % 256) +
                          "." + std::to_string(n % 256));
        }
        rig.http.answer(200, pageOf(ips, "c", true));
        ++page;
    }
    ASSERT_EQ(rig.outcomes.size(), 1u);
    EXPECT_EQ(page, 10);
    EXPECT_EQ(rig.outcomes[0].value().size(), servers::kMaxServers);
}

}  // namespace
}  // namespace zerlin::test
