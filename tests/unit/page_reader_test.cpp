#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "doubles/doubles.h"
#include "doubles/http_double.h"
#include "platform/worker.h"
#include "servers/kept_list.h"
#include "servers/list_walk.h"
#include "servers/page.h"

namespace zerlin::test {
namespace {

// What a walk ends with: the servers, or why it failed.
using Walked = Result<std::vector<servers::ListedServer>>;

std::string server(const std::string& ip, const std::string& extra = {}) {
    return R"({"ip":")" + ip + R"(","port":14567)" + extra + "}";
}

// A page whose second server carries the extra fields, between two plain ones.
std::string pageAround(const std::string& extra) {
    return R"({"cursor":"c","hasMore":true,"servers":[)" + server("81.0.0.1") + "," +
           server("81.0.0.2", extra) + "," + server("81.0.0.3") + "]}";
}

std::vector<std::string> addressesOf(const servers::Page& page) {
    std::vector<std::string> out;
    for (const auto& s : page.servers) {
        out.push_back(s.ip);
    }
    return out;
}

TEST(PageReader, DepthAndValueLimits) {
    const auto nested = [](std::size_t depth) {
        // The page itself, its servers and one entry are three levels.
        return pageAround(R"(,"x":)" + std::string(depth - 3, '[') + std::string(depth - 3, ']'));
    };
    const auto values = [](std::size_t count) {
        // The page, its two fields, the servers, three entries of two fields each and "x": 14.
        std::string list;
        for (std::size_t i = 14; i < count; ++i) {
            list += i == 14 ? "0" : ",0";
        }
        return pageAround(R"(,"x":[)" + list + "]");
    };
    struct Case {
        const char* name;
        std::string body;
        bool ok;
    };
    const Case cases[] = {
        {"deepest allowed", nested(servers::kMaxJsonDepth), true},
        {"one level deeper", nested(servers::kMaxJsonDepth + 1), false},
        {"never closed", std::string(1 << 20, '['), false},
        {"most values allowed", values(servers::kMaxJsonValues), true},
        {"one value more", values(servers::kMaxJsonValues + 1), false},
    };
    for (const Case& c : cases) {
        const Result<servers::Page> page = servers::readPage(c.body, false, {});
        EXPECT_EQ(page.ok(), c.ok) << c.name << ": " << page.error();
        if (page) {
            EXPECT_EQ(addressesOf(page.value()),
                      (std::vector<std::string>{"81.0.0.1", "81.0.0.2", "81.0.0.3"}))
                << c.name;
        }
    }
    // Entries of empty objects, counted as values all the same.
    std::string empties = R"({"servers":[{})";
    for (std::size_t i = 1; i <= servers::kMaxJsonValues; ++i) {
        empties += ",{}";
    }
    EXPECT_FALSE(servers::readPage(empties + "]}", false, {}));
}

TEST(PageReader, NumberOutOfRangeEndsTheServersThere) {
    struct Case {
        std::string extra;
        std::vector<std::string> servers;
        bool cut;
    };
    const std::vector<std::string> all = {"81.0.0.1", "81.0.0.2", "81.0.0.3"};
    const std::vector<std::string> first = {"81.0.0.1"};
    const Case cases[] = {
        {R"(,"numPlayers":1e400)", first, true},
        {R"(,"numPlayers":-1E+400)", first, true},
        {R"(,"players":[{"score":0.0001e400}])", first, true},
        {R"(,"maxPlayers":)" + std::string(400, '9'), first, true},
        {R"(,"numPlayers":1.7e308,"maxPlayers":1e-400)", all, false},
        {R"(,"name":"1e400","x":"\"1e400")", all, false},
        {R"(,"x":[5,1e400])", first, true},
    };
    for (const Case& c : cases) {
        const Result<servers::Page> page = servers::readPage(pageAround(c.extra), false, {});
        ASSERT_TRUE(page) << c.extra << ": " << page.error();
        EXPECT_EQ(addressesOf(page.value()), c.servers) << c.extra;
        EXPECT_EQ(page.value().cutShort, c.cut) << c.extra;
        // The walk goes on from the page's own last entry, with its cursor.
        EXPECT_EQ(page.value().lastIp, "81.0.0.3") << c.extra;
        EXPECT_EQ(page.value().cursor, "c") << c.extra;
        EXPECT_TRUE(page.value().hasMore) << c.extra;
    }
    // The fields after the number are still read.
    const auto late = servers::parsePage(R"({"servers":[)" + server("81.0.0.1") + "," +
                                             server("81.0.0.2", R"(,"tickets1":1e999)") +
                                             R"(],"cursor":"late","hasMore":true})",
                                         false);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->cursor, "late");
    EXPECT_EQ(late->lastIp, "81.0.0.2");
}

TEST(PageReader, KeepsWhatTheWholeTreeWouldHave) {
    std::string teams;
    for (int i = 1; i <= 20; ++i) {
        teams += (i > 1 ? "," : "") + std::string(R"({"index":)") + std::to_string(i) +
                 R"(,"label":"T)" + std::to_string(i) + R"("})";
    }
    // A later team of an index already met renames it; past sixteen indexes none is read.
    teams = R"({"index":1,"label":"Old"},{"label":"no index"},)" + teams +
            R"(,{"index":2,"label":"Too late"})";
    const auto page = servers::parsePage(
        R"({"servers":[{"ip":"81.0.0.1","port":1,"port":2,"players":[{"name":"gone"}],
            "players":[1,{"name":"a","name":"b","x":{"y":[]}},[],{"name":["c"]}],
            "teams":[)" +
            teams + R"(],"mapName":{"x":1},"gameId":"mod"}],
            "servers":[{"ip":"81.0.0.9","port":3,"players":{}}]})",
        false);
    ASSERT_TRUE(page);
    ASSERT_EQ(page->servers.size(), 1u);  // the later "servers" in place of the earlier
    EXPECT_EQ(page->servers[0].ip, "81.0.0.9");
    EXPECT_TRUE(page->servers[0].info.players.empty());
    const auto first = servers::parsePage(
        R"({"servers":[{"ip":"81.0.0.1","port":1,"port":2,"players":[{"name":"gone"}],
            "players":[1,{"name":"a","name":"b","x":{"y":[]}},[],{"name":["c"]}],
            "teams":[)" +
            teams + R"(],"mapName":{"x":1},"gameId":"mod"}]})",
        false);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->servers.size(), 1u);
    const auto& info = first->servers[0].info;
    EXPECT_EQ(first->servers[0].port, 2);
    ASSERT_EQ(info.players.size(), 2u);
    EXPECT_EQ(info.players[0].name, "b");
    EXPECT_EQ(info.players[1].name, "");
    EXPECT_EQ(info.mapName, "");
    EXPECT_EQ(info.activeMods, "mod");
    ASSERT_EQ(info.teamNames.size(), 16u);
    EXPECT_EQ(info.teamNames[0], "T1");
    EXPECT_EQ(info.teamNames[1], "T2");
    EXPECT_EQ(info.teamNames[15], "T16");
}

TEST(PageReader, ServersAndMemoryBounded) {
    std::string players;
    for (int i = 0; i < 256; ++i) {
        players += std::string(i ? "," : "") + "{}";
    }
    std::string list;
    for (int i = 1; i <= 200; ++i) {
        list += (i > 1 ? "," : "") +
                server("81.0.1." + std::to_string(i), R"(,"players":[)" + players + "]");
    }
    const std::string body = R"({"servers":[)" + list + "]}";
    servers::ReadLimits limits;
    limits.maxServers = 150;
    const Result<servers::Page> page = servers::readPage(body, false, limits);
    ASSERT_TRUE(page);
    EXPECT_EQ(page.value().servers.size(), 150u);
    EXPECT_EQ(page.value().listed, 200u);
    EXPECT_EQ(page.value().lastIp, "81.0.1.200");
    // Held to the budget: players past it left out, the servers all there (each server's own
    // fields are small, and their number bounded).
    limits.maxServers = 1000;
    limits.memoryBudget = 4 * body.size();
    const Result<servers::Page> bounded = servers::readPage(body, false, limits);
    ASSERT_TRUE(bounded);
    ASSERT_EQ(bounded.value().servers.size(), 200u);
    std::size_t held = 0;
    for (const auto& s : bounded.value().servers) {
        held += s.info.players.capacity() * sizeof(status::PlayerStatus);
    }
    EXPECT_LE(held, limits.memoryBudget);
    EXPECT_EQ(bounded.value().servers.front().info.players.size(), 256u);
    EXPECT_LT(bounded.value().servers.back().info.players.size(), 256u);
    EXPECT_EQ(bounded.value().servers.back().info.numPlayers, 256);
}

TEST(PageReader, KeptListReadTheSameWay) {
    const std::string head = R"({"format":1,"time":1700000000,"fromLoopback":true,"servers":[)";
    const auto kept = servers::decodeKeptList(head + server("127.0.22.1") + "," +
                                              server("127.0.22.2", R"(,"numPlayers":1e400)") + "," +
                                              server("127.0.22.3") + "]}");
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->servers.size(), 1u);
    EXPECT_EQ(kept->servers[0].ip, "127.0.22.1");
    EXPECT_EQ(kept->time, 1700000000);
    EXPECT_FALSE(servers::decodeKeptList(head + std::string(100, '[') + "]}"));
    EXPECT_FALSE(servers::decodeKeptList(R"({"format":2,"time":1,"servers":[]})"));
    EXPECT_FALSE(servers::decodeKeptList(R"({"format":1,"time":"now","servers":[]})"));
    // What it writes it reads back.
    servers::KeptList list;
    list.time = 5;
    list.fromLoopback = true;
    list.servers = kept->servers;
    list.servers[0].info.players.push_back({"Ärger", 1, 2, 3, 4, 5});
    const auto again = servers::decodeKeptList(servers::encodeKeptList(list));
    ASSERT_TRUE(again);
    ASSERT_EQ(again->servers.size(), 1u);
    EXPECT_EQ(again->servers[0].info.players.at(0).name, "Ärger");
    EXPECT_EQ(again->servers[0].info.players.at(0).deaths, 4);
}

// Jobs held until the test runs them, each on the calling thread, then its done.
class HeldWorker : public Worker {
  public:
    void run(std::function<void()> job, std::function<void()> done) override {
        jobs.emplace_back(std::move(job), std::move(done));
    }
    bool finishOne() {
        if (jobs.empty()) {
            return false;
        }
        auto [job, done] = std::move(jobs.front());
        jobs.pop_front();
        job();
        done();
        return true;
    }
    std::deque<std::pair<std::function<void()>, std::function<void()>>> jobs;
};

TEST(PageReader, WalkReadsPagesOnTheWorker) {
    const std::string base = "http://127.0.21.1:8080/v2/bf1942/";
    const std::string page1 =
        R"({"cursor":"p2","hasMore":true,"servers":[)" + server("127.0.22.1") + "," +
        server("127.0.22.2", R"(,"numPlayers":1e400)") + "," + server("127.0.22.3") + "]}";
    const std::string page2 = R"({"hasMore":false,"servers":[)" + server("127.0.22.4") + "]}";
    {  // a cut page gives its first servers, and the walk goes on from its last entry
        FakeHttp http;
        FakeTimer alarm;
        HeldWorker worker;
        servers::ListWalk walk{http, alarm, &worker};
        std::vector<Walked> outcomes;
        walk.start(base, [&](Walked o) { outcomes.push_back(std::move(o)); });
        http.answer(200, page1);
        EXPECT_TRUE(http.pending.empty());  // nothing asked while the page is read
        ASSERT_TRUE(worker.finishOne());
        ASSERT_EQ(http.pending.size(), 1u);
        EXPECT_NE(http.pending.front().url.find("cursor=p2&after=127.0.22.3:14567"),
                  std::string::npos);
        http.answer(200, page2);
        ASSERT_TRUE(worker.finishOne());
        ASSERT_EQ(outcomes.size(), 1u);
        ASSERT_TRUE(outcomes[0].ok());
        ASSERT_EQ(outcomes[0].value().size(), 2u);
        EXPECT_EQ(outcomes[0].value()[1].ip, "127.0.22.4");
    }
    {  // a page read when its walk was dropped, timed out or started over is never used
        FakeHttp http;
        FakeTimer alarm;
        HeldWorker worker;
        servers::ListWalk walk{http, alarm, &worker};
        std::vector<Walked> outcomes;
        const auto done = [&](Walked o) { outcomes.push_back(std::move(o)); };
        walk.start(base, done);
        http.answer(200, page1);
        alarm.fire();
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_FALSE(outcomes[0].ok());
        walk.start(base, done);
        http.answer(200, page2);
        ASSERT_TRUE(worker.finishOne());  // the first walk's page: dropped
        EXPECT_EQ(outcomes.size(), 1u);
        ASSERT_TRUE(worker.finishOne());
        ASSERT_EQ(outcomes.size(), 2u);
        EXPECT_TRUE(outcomes[1].ok());
        EXPECT_EQ(outcomes[1].value().size(), 1u);
        walk.start(base, done);
        http.answer(200, page2);
        walk.cancel();
        ASSERT_TRUE(worker.finishOne());
        EXPECT_EQ(outcomes.size(), 2u);
    }
    {  // a page past the limits fails the walk
        FakeHttp http;
        FakeTimer alarm;
        HeldWorker worker;
        std::vector<Walked> outcomes;
        {
            servers::ListWalk walk{http, alarm, &worker};
            walk.start(base, [&](Walked o) { outcomes.push_back(std::move(o)); });
            http.answer(200, std::string(100, '['));
            ASSERT_TRUE(worker.finishOne());
            ASSERT_EQ(outcomes.size(), 1u);
            EXPECT_FALSE(outcomes[0].ok());
            walk.start(base, [&](Walked o) { outcomes.push_back(std::move(o)); });
            http.answer(200, page2);
        }
        // The walk is gone before its page was read.
        ASSERT_TRUE(worker.finishOne());
        EXPECT_EQ(outcomes.size(), 1u);
    }
}

}  // namespace
}  // namespace zerlin::test
