#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "doubles/network_doubles.h"
#include "platform/loopback_only.h"
#include "status/status_client.h"

namespace zerlin::test {
namespace {

using namespace std::chrono_literals;

TEST(LoopbackGuard, SendsToLoopbackAddressesOnly) {
    struct Case {
        const char* address;
        bool sent;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1", true},
        {"127.255.0.9", true},
        {"::1", true},
        {"::ffff:127.0.1.2", true},
        {"10.0.0.1", false},
        {"128.0.0.1", false},
        {"126.255.255.255", false},
        {"0.0.0.0", false},
        {"::", false},
        {"::2", false},
        {"::ffff:10.0.0.1", false},
        {"::127.0.0.1", false},
        {"2001:db8::1", false},
        {"fe80::1", false},
        {"::ffff:0:127.0.0.1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        FakeNetwork net;
        net::LoopbackOnlySocket guard(net);
        EXPECT_EQ(guard.send(endpoint(c.address, 23000), "\\status\\"), c.sent);
        EXPECT_EQ(net.sent.size(), c.sent ? 1u : 0u);
    }
}

TEST(LoopbackGuard, LooksUpLocalhostOnly) {
    struct Case {
        const char* name;
        bool lookedUp;
    };
    const std::vector<Case> cases = {
        {"localhost", true},
        {"LocalHost", true},
        {"localhost.", true},
        {"a.localhost", true},
        {"b.a.LOCALHOST.", true},
        {"bf.example.org", false},
        {"localhost.example", false},
        {"notlocalhost", false},
        {".localhost", false},
        {"example", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeNetwork net;
        net::LoopbackOnlyResolver guard(net, net.timer);
        std::optional<std::vector<net::IpAddress>> answer;
        guard.lookUp(c.name, [&](std::vector<net::IpAddress> found) { answer = found; });
        EXPECT_EQ(net.lookUps.size(), c.lookedUp ? 1u : 0u);
        // A refused name is answered with no address, later, as a look-up is.
        EXPECT_FALSE(answer);
        net.runFor(1ms);
        EXPECT_EQ(answer.has_value(), !c.lookedUp);
        EXPECT_TRUE(!answer || answer->empty());
    }
}

// Behind the guard, the status of a list full of outside servers sends nothing and asks no
// resolver, while the loopback ones are asked as ever.
TEST(LoopbackGuard, KeepsTheStatusInside) {
    FakeNetwork net;
    FakeTimer resolverTimer{net.clock};  // the guard's own timer
    net::LoopbackOnlySocket socket(net);
    net::LoopbackOnlyResolver resolver(net, resolverTimer);
    status::StatusService service(socket, resolver, net.clock, net.timer);
    status::StatusClient client(service);
    const std::vector<status::Request> servers = {
        status::ServerKey{"10.0.0.1", "14567"},   status::ServerKey{"[::ffff:10.0.0.1]", "14567"},
        status::ServerKey{"bf.example", "14567"}, status::ServerKey{"[2001:db8::1]", "14567"},
        status::ServerKey{"127.0.16.2", "14567"}, status::ServerKey{"[::ffff:127.0.16.3]", "14567"},
        status::ServerKey{"localhost", "14567"},
    };
    client.refresh(servers);
    ASSERT_EQ(net.lookUps.size(), 1u);
    EXPECT_EQ(net.lookUps[0].first, "localhost");
    resolverTimer.runFor(1ms);
    net.hosts["localhost"] = {endpoint("127.0.0.1", 0).address};
    net.answerLookUps();
    net.runFor(5s);
    for (const auto& sent : net.sent) {
        EXPECT_TRUE(net::isLoopback(sent.to.address));
    }
    EXPECT_EQ(net.sent.size(), 6u);  // the 3 loopback servers, silent: 2 tries each
    for (const auto& request : servers) {
        EXPECT_TRUE(client.state(request.server).ended) << request.server.host;
    }
}

}  // namespace
}  // namespace zerlin::test
