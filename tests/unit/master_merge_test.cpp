#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "servers/list_walk.h"
#include "servers/source_merge.h"

namespace zerlin::servers {
namespace {

ListedServer listed(const std::string& ip, std::uint16_t port, std::uint16_t queryPort) {
    ListedServer server;
    server.ip = ip;
    server.port = port;
    server.queryPort = queryPort;
    server.info.hostName = "Listed " + ip;
    return server;
}

masters::MasterOutcome master(const std::string& name, std::vector<masters::Record> records,
                              bool ok = true) {
    return {name, ok, std::move(records), ok ? "" : "refused"};
}

// One row a server, the list's then those only masters list: "ip:port/queryPort (sources) [ask]".
std::vector<std::string> shape(const std::vector<ListedServer>& list, const SourceMerge& merge) {
    const auto row = [](const ListedServer& server, const std::vector<std::string>& by) {
        std::string text = server.ip + ":" + std::to_string(server.port) + "/" +
                           std::to_string(server.queryPort) + " (";
        for (std::size_t i = 0; i < by.size(); ++i) {
            text += (i ? "," : "") + by[i];
        }
        return text + ")";
    };
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.size() && i < kMaxServers; ++i) {
        std::vector<std::string> by{kCommunityListName};
        for (const auto& [index, masters] : merge.alsoListed) {
            if (index == i) {
                by.insert(by.end(), masters.begin(), masters.end());
            }
        }
        out.push_back(row(list[i], by));
    }
    for (const MasterServer& server : merge.mastersOnly) {
        out.push_back(row(server.server, server.listedBy) + " ask");
    }
    return out;
}

TEST(SourceMerge, OneRowAServerWhateverListsIt) {
    const std::vector<ListedServer> list = {listed("81.169.145.97", 14567, 23000),
                                            listed("81.169.145.98", 14567, 23000),
                                            listed("81.169.145.98", 14568, 23001)};
    const struct {
        const char* name;
        std::vector<ListedServer> list;
        std::vector<masters::MasterOutcome> masters;
        std::vector<std::string> rows;
    } cases[] = {
        {"list alone",
         list,
         {},
         {"81.169.145.97:14567/23000 (the community list)",
          "81.169.145.98:14567/23000 (the community list)",
          "81.169.145.98:14568/23001 (the community list)"}},
        {"matched by IP and query port",
         list,
         {master("m1", {{"81.169.145.98", 23001}, {"8.8.8.8", 23000}, {"81.169.145.97", 23001}}),
          master("m2", {{"8.8.8.8", 23000}, {"81.169.145.98", 23001}})},
         {"81.169.145.97:14567/23000 (the community list)",
          "81.169.145.98:14567/23000 (the community list)",
          "81.169.145.98:14568/23001 (the community list,m1,m2)", "8.8.8.8:0/23000 (m1,m2) ask",
          "81.169.145.97:0/23001 (m1) ask"}},
        {"list down",
         {},
         {master("m1", {{"8.8.8.8", 23000}, {"8.8.8.8", 23000}}), master("m2", {}, false),
          master("m3", {{"9.9.9.9", 23000}})},
         {"8.8.8.8:0/23000 (m1) ask", "9.9.9.9:0/23000 (m3) ask"}},
        {"a failed master adds nothing", list, {master("m1", {{"8.8.8.8", 23000}}, false)}, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> expected = c.rows;
        if (expected.empty()) {
            expected = shape(c.list, mergeSources(c.list, {}));
        }
        EXPECT_EQ(shape(c.list, mergeSources(c.list, c.masters)), expected) << c.name;
    }
}

TEST(SourceMerge, AtMostTheLimitTheListsRowsFirst) {
    std::vector<ListedServer> list;
    std::vector<masters::Record> records;
    for (std::size_t i = 0; i < kMaxServers; ++i) {
        const std::string ip = "20.0." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        if (i >= 10) {
            list.push_back(listed(ip, 14567, 23000));
        }
        records.push_back({ip, static_cast<std::uint16_t>(i < 20 ? 23000 : 23001)});
    }
    const std::vector<std::string> rows = shape(list, mergeSources(list, {master("m", records)}));
    ASSERT_EQ(rows.size(), kMaxServers);
    EXPECT_EQ(rows[0], "20.0.0.10:14567/23000 (the community list,m)");
    EXPECT_EQ(rows[10], "20.0.0.20:14567/23000 (the community list)");
    // The list's 9,990, then the first ten only the master lists.
    EXPECT_EQ(rows[kMaxServers - 11], "20.0.39.15:14567/23000 (the community list)");
    EXPECT_EQ(rows[kMaxServers - 10], "20.0.0.0:0/23000 (m) ask");
    EXPECT_EQ(rows.back(), "20.0.0.9:0/23000 (m) ask");
}

TEST(SourceMerge, ListedByLine) {
    EXPECT_EQ(listedByLine({kCommunityListName, "master.bf1942.org"}),
              "Listed by: the community list, master.bf1942.org");
    EXPECT_EQ(listedByLine({"bfield1942.master.openspy.net:28900"}),
              "Listed by: bfield1942.master.openspy.net:28900");
}

}  // namespace
}  // namespace zerlin::servers
