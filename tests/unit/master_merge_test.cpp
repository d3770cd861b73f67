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

// One row: "ip:port/queryPort (sources) [ask]".
std::vector<std::string> shape(const std::vector<MergedServer>& rows) {
    std::vector<std::string> out;
    for (const MergedServer& row : rows) {
        std::string text = row.server.ip + ":" + std::to_string(row.server.port) + "/" +
                           std::to_string(row.server.queryPort) + " (";
        for (std::size_t i = 0; i < row.listedBy.size(); ++i) {
            text += (i ? "," : "") + row.listedBy[i];
        }
        out.push_back(text + ")" + (row.toAsk ? " ask" : ""));
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
            expected = shape(mergeSources(c.list, {}));
        }
        EXPECT_EQ(shape(mergeSources(c.list, c.masters)), expected) << c.name;
    }
    // The list's rows keep what the list says of them.
    EXPECT_EQ(
        mergeSources(list, {master("m1", {{"81.169.145.97", 23000}})})[0].server.info.hostName,
        "Listed 81.169.145.97");
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
    const std::vector<MergedServer> rows = mergeSources(list, {master("m", records)});
    ASSERT_EQ(rows.size(), kMaxServers);
    EXPECT_EQ(rows[0].server.ip, "20.0.0.10");
    EXPECT_FALSE(rows[kMaxServers - 11].toAsk);
    // The list's 9,990, then the first ten only the master lists.
    EXPECT_EQ(rows[kMaxServers - 10].server.ip, "20.0.0.0");
    EXPECT_EQ(rows.back().server.ip, "20.0.0.9");
    EXPECT_EQ(rows[5].listedBy, (std::vector<std::string>{kCommunityListName, "m"}));
}

TEST(SourceMerge, ListedByLine) {
    MergedServer row;
    row.listedBy = {kCommunityListName, "master.bf1942.org"};
    EXPECT_EQ(listedByLine(row), "Listed by: the community list, master.bf1942.org");
    row.listedBy = {"bfield1942.master.openspy.net:28900"};
    EXPECT_EQ(listedByLine(row), "Listed by: bfield1942.master.openspy.net:28900");
}

}  // namespace
}  // namespace zerlin::servers
