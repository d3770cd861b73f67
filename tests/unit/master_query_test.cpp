// The exchange with the masters over an in-memory TCP: what is sent, what is kept of the
// answer, and each way it fails, with the time limits on a clock the test moves.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "doubles/network_doubles.h"
#include "doubles/tcp_double.h"
#include "masters/master_list.h"
#include "masters/master_query.h"
#include "platform/loopback_only.h"
#include "servers/address_rules.h"
#include "settings/settings.h"

namespace zerlin::masters {
namespace {

using test::FakeTcp;
using test::record;

using std::chrono::milliseconds;
using std::chrono::seconds;

// Many one-shot timers on one clock that the test moves: each tick comes in the order of the
// times the timers were armed for.
class Clockwork {
  public:
    std::unique_ptr<Timer> make() {
        auto timer = std::make_unique<test::FakeTimer>(clock_);
        timers_.push_back(timer.get());
        return timer;
    }
    void runFor(std::chrono::microseconds time) {
        const auto until = clock_.now() + time;
        for (int guard = 0; guard < 10000; ++guard) {
            test::FakeTimer* next = nullptr;
            for (test::FakeTimer* timer : timers_) {
                if (timer->dueAt() && *timer->dueAt() <= until &&
                    (!next || *timer->dueAt() < *next->dueAt())) {
                    next = timer;
                }
            }
            if (!next) {
                break;
            }
            next->runUntil(*next->dueAt());
        }
        clock_.advance(until - clock_.now());
    }

  private:
    test::FakeClock clock_;
    std::vector<test::FakeTimer*> timers_;  // the master list keeps them as long as it lives
};

const std::string kHello = "\\basic\\\\secure\\ABCDEF";
const std::string kMixed = record("81.169.145.97", 23000) + record("10.0.0.1", 23000) +
                           record("127.0.0.5", 23001) + record("192.168.1.1", 23000) +
                           record("8.8.4.4", 23005) + "\\final\\";

struct Exchange {
    test::FakeNetwork net;  // the resolver and the query's timer
    FakeTcp tcp;
    std::optional<Result<std::vector<Record>>> result;
    int calls = 0;
    MasterQuery query{tcp, net, net.timer, servers::allowed};

    Exchange() {
        net.hosts["master.example.org"] = {test::endpoint("81.169.145.1", 1).address};
        net.hosts["localhost"] = {test::endpoint("127.0.0.1", 1).address};
    }
    void start(const std::string& host, std::uint16_t port = 28900) {
        query.start(host, port, [this](Result<std::vector<Record>> r) {
            result = std::move(r);
            ++calls;
        });
    }
    FakeTcp::Connection* connection() { return tcp.open.empty() ? nullptr : tcp.open.front(); }
    // Looked up, connected and greeted.
    FakeTcp::Connection& greeted(const std::string& host = "master.example.org") {
        start(host);
        net.answerLookUps();
        FakeTcp::Connection* c = connection();
        EXPECT_NE(c, nullptr);
        c->handlers.connected();
        c->handlers.received(kHello);
        return *c;
    }
    std::vector<Record> records() const { return result ? result->value() : std::vector<Record>{}; }
};

TEST(MasterQuery, AnswersTheChallengeAndKeepsPublicServers) {
    Exchange x;
    FakeTcp::Connection& c = x.greeted();
    EXPECT_EQ(c.to, test::endpoint("81.169.145.1", 28900));
    EXPECT_EQ(c.written, request("ABCDEF"));
    // The answer in pieces that cut records apart.
    c.handlers.received(kMixed.substr(0, 4));
    c.handlers.received(kMixed.substr(4, 17));
    c.handlers.received(kMixed.substr(21));
    EXPECT_EQ(x.calls, 0);
    c.handlers.closed();
    ASSERT_EQ(x.calls, 1);
    ASSERT_TRUE(x.result->ok()) << x.result->error();
    EXPECT_EQ(x.records(), (std::vector<Record>{{"81.169.145.97", 23000}, {"8.8.4.4", 23005}}));
    EXPECT_FALSE(x.query.running());
    EXPECT_EQ(x.tcp.open.size(), 0U);
}

TEST(MasterQuery, AMasterOnLoopbackMayListLoopbackServers) {
    Exchange x;
    FakeTcp::Connection& c = x.greeted("localhost");
    c.handlers.received(kMixed);
    c.handlers.closed();
    EXPECT_EQ(
        x.records(),
        (std::vector<Record>{{"81.169.145.97", 23000}, {"127.0.0.5", 23001}, {"8.8.4.4", 23005}}));
}

TEST(MasterQuery, Failures) {
    using Step = std::function<void(Exchange&)>;
    const auto greeted = [](Exchange& x) { x.greeted(); };
    const auto send = [](std::string bytes) {
        return [bytes](Exchange& x) { x.connection()->handlers.received(bytes); };
    };
    const auto close = [](Exchange& x) { x.connection()->handlers.closed(); };
    const auto wait = [](std::chrono::microseconds t) {
        return [t](Exchange& x) { x.net.runFor(t); };
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::string error;
    } cases[] = {
        {"unknown name",
         {[](Exchange& x) { x.start("nowhere.example.org"); },
          [](Exchange& x) { x.net.answerLookUps(); }, wait(milliseconds(1))},
         "the master's name is not known"},
        {"not a name",
         {[](Exchange& x) { x.start("bad name!"); }, wait(milliseconds(1))},
         "not a host name"},
        {"no port",
         {[](Exchange& x) { x.start("master.example.org", 0); }, wait(milliseconds(1))},
         "no port given"},
        {"refused",
         {[](Exchange& x) { x.start("81.169.145.1"); },
          [](Exchange& x) { x.connection()->handlers.failed("Connection refused"); }},
         "Connection refused"},
        {"never connects",
         {[](Exchange& x) { x.start("81.169.145.1"); }, wait(seconds(5))},
         "no connection within 5 seconds"},
        {"no answer", {greeted, wait(seconds(10))}, "no whole answer within 10 seconds"},
        {"closed at once",
         {[](Exchange& x) { x.start("81.169.145.1"); },
          [](Exchange& x) { x.connection()->handlers.connected(); }, close},
         "the master closed the connection before it listed any server"},
        {"refuses the hello",
         {greeted, send("\\error\\Invalid validation\\final\\"), close},
         "the master refused: Invalid validation"},
        {"cut short",
         {greeted, send(kMixed.substr(0, kMixed.size() - 2)), close},
         "the master's answer is cut short"},
        {"too large",
         {greeted, send(std::string(kMaxAnswerBytes - 6, 'x')), send(std::string(12, 'x'))},
         "the master's answer is larger than 1 MiB"},
    };
    for (const auto& c : cases) {
        Exchange x;
        for (const Step& step : c.steps) {
            ASSERT_EQ(x.calls, 0) << c.name;
            step(x);
        }
        ASSERT_EQ(x.calls, 1) << c.name;
        EXPECT_FALSE(x.result->ok()) << c.name;
        EXPECT_EQ(x.result->error(), c.error) << c.name;
        EXPECT_EQ(x.tcp.open.size(), 0U) << c.name;  // the connection is dropped
    }
}

TEST(MasterQuery, TimeLimitsRunFromTheirStart) {
    Exchange x;
    x.start("81.169.145.1");
    x.net.runFor(milliseconds(4900));
    ASSERT_NE(x.connection(), nullptr);
    x.connection()->handlers.connected();
    // The answer has its own 10 seconds from the connection.
    x.connection()->handlers.received(kHello);
    x.net.runFor(milliseconds(9900));
    EXPECT_EQ(x.calls, 0);
    x.connection()->handlers.received(kMixed);
    x.connection()->handlers.closed();
    ASSERT_EQ(x.calls, 1);
    EXPECT_TRUE(x.result->ok());
}

TEST(MasterQuery, TheLoopbackGuardKeepsItOnTheMachine) {
    test::FakeNetwork net;
    FakeTcp tcp;
    net::LoopbackOnlyTcp guardedTcp(tcp);
    test::FakeNetwork refusals;  // the guard's own timer
    net::LoopbackOnlyResolver guardedResolver(net, refusals.timer);
    net.hosts["master.example.org"] = {test::endpoint("81.169.145.1", 1).address};
    std::vector<std::string> errors;
    MasterQuery query(guardedTcp, guardedResolver, net.timer, servers::allowed);
    const auto done = [&](Result<std::vector<Record>> r) { errors.push_back(r.error()); };

    query.start("master.example.org", 28900, done);
    refusals.runFor(milliseconds(1));
    net.runFor(milliseconds(1));
    EXPECT_TRUE(net.lookUps.empty());
    query.start("81.169.145.1", 28900, done);
    net.runFor(milliseconds(1));
    EXPECT_TRUE(tcp.connects.empty());
    EXPECT_EQ(errors,
              (std::vector<std::string>{"the master's name is not known",
                                        "no connection can be made to the master's address"}));
    query.start("127.0.0.9", 28900, done);
    EXPECT_EQ(tcp.connects, std::vector<net::Endpoint>{test::endpoint("127.0.0.9", 28900)});
}

TEST(MasterQuery, NothingIsToldAfterCancel) {
    Exchange x;
    FakeTcp::Connection& c = x.greeted();
    c.handlers.received(kMixed);
    x.query.cancel();
    x.net.runFor(seconds(20));
    EXPECT_EQ(x.calls, 0);
    EXPECT_TRUE(x.tcp.open.empty());
}

TEST(MasterList, ParsesTheSetting) {
    const struct {
        const char* setting;
        std::vector<std::pair<std::string, int>> entries;  // host, port (0: unreadable)
    } cases[] = {
        {keys::kDefaultServersMasters,
         {{"master.bf1942.org", 28900}, {"bfield1942.master.openspy.net", 28900}}},
        {"", {}},
        {"  \t ", {}},
        {" a.example:1  b.example  a.example:1 ", {{"a.example", 1}, {"b.example", 28900}}},
        {"[::1]:28901 127.0.0.1:7", {{"::1", 28901}, {"127.0.0.1", 7}}},
        {"a.example:0 b.example:99999 :5 [::1", {{"", 0}, {"", 0}, {"", 0}, {"", 0}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, int>> got;
        for (const MasterEntry& e : parseMasters(c.setting)) {
            got.emplace_back(e.host, e.port);
        }
        EXPECT_EQ(got, c.entries) << c.setting;
    }
}

TEST(MasterList, AsksEveryMasterSideBySide) {
    test::FakeNetwork resolver;
    FakeTcp tcp;
    Clockwork clock;
    resolver.hosts["one.example.org"] = {test::endpoint("81.169.145.1", 1).address};
    resolver.hosts["two.example.org"] = {test::endpoint("81.169.145.2", 1).address};
    MasterList list(
        tcp, resolver, [&] { return clock.make(); }, servers::allowed);
    std::vector<std::string> told;
    list.setOutcomeHandler([&](const MasterOutcome& o) { told.push_back(o.master); });
    std::optional<std::vector<MasterOutcome>> outcomes;
    const auto done = [&](std::vector<MasterOutcome> o) { outcomes = std::move(o); };

    EXPECT_FALSE(list.start("   ", done));
    ASSERT_TRUE(list.start("one.example.org two.example.org:28911 three.example.org bad:x", done));
    resolver.answerLookUps();
    clock.runFor(milliseconds(1));  // the unknown name and the unreadable entry fail now
    ASSERT_EQ(tcp.open.size(), 2U);
    EXPECT_EQ(tcp.to("81.169.145.2")->to.port, 28911);
    for (FakeTcp::Connection* c : std::vector<FakeTcp::Connection*>(tcp.open)) {
        c->handlers.connected();
        c->handlers.received(kHello);
    }
    tcp.to("81.169.145.2")->handlers.received(record("8.8.8.8", 23000) + "\\final\\");
    tcp.to("81.169.145.2")->handlers.closed();
    EXPECT_FALSE(outcomes);
    EXPECT_TRUE(list.running());
    clock.runFor(seconds(10));  // the first master never answers
    ASSERT_TRUE(outcomes);
    EXPECT_FALSE(list.running());
    EXPECT_EQ(told, (std::vector<std::string>{"three.example.org", "bad:x", "two.example.org",
                                              "one.example.org"}));
    const std::vector<MasterOutcome>& o = *outcomes;
    ASSERT_EQ(o.size(), 4U);
    EXPECT_EQ(o[0].master, "one.example.org");
    EXPECT_EQ(o[0].failure, "no whole answer within 10 seconds");
    EXPECT_TRUE(o[1].ok);
    EXPECT_EQ(o[1].records, (std::vector<Record>{{"8.8.8.8", 23000}}));
    EXPECT_EQ(o[2].failure, "the master's name is not known");
    EXPECT_EQ(o[3].failure, "no port given");

    // Asked again: the connections of the first ask are dropped with it.
    ASSERT_TRUE(list.start("one.example.org", done));
    outcomes.reset();
    list.cancel();
    resolver.answerLookUps();
    clock.runFor(seconds(30));
    EXPECT_FALSE(outcomes);
    EXPECT_TRUE(tcp.open.empty());
}

}  // namespace
}  // namespace zerlin::masters
