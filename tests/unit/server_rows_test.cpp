#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "servers/server_rows.h"
#include "text/case_fold.h"

namespace zerlin::test {
namespace {

using servers::Column;
using servers::Ping;
using servers::ServerRow;

ServerRow row(const std::string& name, int players, int max, const std::string& ip = "81.0.0.1",
              int port = 14567) {
    servers::ListedServer server;
    server.ip = ip;
    server.port = static_cast<std::uint16_t>(port);
    server.info.hostName = name;
    server.info.numPlayers = players;
    server.info.maxPlayers = max;
    server.info.mapName = "Wake";
    server.info.activeMods = "bf1942";
    return ServerRow(server);
}

ServerRow pinged(ServerRow r, std::optional<int> ms) {
    status::ServerState state;
    state.ended = true;
    if (ms) {
        status::Answer answer;
        answer.status = r.listed.info;
        answer.pingMs = *ms;
        state.answer = answer;
    }
    mergeState(r, state);
    return r;
}

TEST(ServerRows, Filter) {
    ServerRow withPlayer = row("Desert Fox", 3, 64);
    withPlayer.listed.info.players.push_back({"ÄrgerKönig", 1, 0, 0, 0, 0});
    withPlayer = ServerRow(withPlayer.listed);
    ServerRow locked = row("Locked", 10, 32);
    locked.listed.info.password = true;
    locked.listed.info.players.push_back({"Σωκράτης", 0, 0, 0, 0, 0});
    locked = ServerRow(locked.listed);
    ServerRow unknownMax = row("Unknown Max", 5, 0);
    unknownMax.listed.info.players.push_back({"иван", 0, 0, 0, 0, 0});
    unknownMax = ServerRow(unknownMax.listed);
    const std::vector<ServerRow> rows = {
        pinged(withPlayer, 40), pinged(row("Empty Place", 0, 32), 120),
        pinged(row("Full House", 32, 32), std::nullopt), locked, unknownMax};
    struct Case {
        const char* name;
        servers::Filter filter;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"none", {}, {"Desert Fox", "Empty Place", "Full House", "Locked", "Unknown Max"}},
        {"name, any case", {"dESERT"}, {"Desert Fox"}},
        {"map", {"wak"}, {"Desert Fox", "Empty Place", "Full House", "Locked", "Unknown Max"}},
        {"mod", {"BF19"}, {"Desert Fox", "Empty Place", "Full House", "Locked", "Unknown Max"}},
        {"player, Latin-1 capitals folded", {"ärgerkö"}, {"Desert Fox"}},
        // The filter folds as the friends' names do, beyond Latin-1 (and a final sigma too).
        {"player, Greek capitals", {"ΣΩΚΡΆΤΗΣ"}, {"Locked"}},
        {"player, Cyrillic capitals", {"ИВАН"}, {"Unknown Max"}},
        {"player, Cyrillic, not another letter", {"ИВАЙ"}, {}},
        {"nothing", {"zzz"}, {}},
        {"hide empty", {"", true}, {"Desert Fox", "Full House", "Locked", "Unknown Max"}},
        {"hide full", {"", false, true}, {"Desert Fox", "Empty Place", "Locked", "Unknown Max"}},
        {"hide password",
         {"", false, false, true},
         {"Desert Fox", "Empty Place", "Full House", "Unknown Max"}},
        // No answer goes; one not yet asked stays until it answers.
        {"max ping", {"", false, false, false, 100}, {"Desert Fox", "Locked", "Unknown Max"}},
        {"all", {"o", true, true, true, 50}, {"Desert Fox", "Unknown Max"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> shown;
        for (const ServerRow& r : rows) {
            if (servers::passes(r, c.filter, text::foldCase(c.filter.text))) {
                shown.push_back(r.info.hostName);
            }
        }
        EXPECT_EQ(shown, c.shown) << c.name;
    }
}

TEST(ServerRows, SortsNumbersAsNumbersAndKeepsTies) {
    const std::vector<ServerRow> rows = {
        pinged(row("b", 9, 64, "81.0.0.10", 14567), 48),
        pinged(row("A", 10, 32, "81.0.0.9", 14567), 120),
        row("c", 9, 32, "81.0.0.9", 2000),
        pinged(row("a", 10, 64, "9.0.0.1", 14567), std::nullopt),
        pinged(row("B", 100, 128, "100.0.0.1", 1), 9),
    };
    struct Case {
        Column column;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {Column::Server, {"A", "a", "b", "B", "c"}}, {Column::Players, {"c", "b", "A", "a", "B"}},
        {Column::Ping, {"B", "b", "A", "c", "a"}},   {Column::Address, {"a", "c", "A", "b", "B"}},
        {Column::Map, {"b", "A", "c", "a", "B"}},
    };
    for (const Case& c : cases) {
        std::vector<ServerRow> sorted = rows;
        std::stable_sort(sorted.begin(), sorted.end(), [&c](const auto& x, const auto& y) {
            return servers::lessThan(x, y, c.column);
        });
        std::vector<std::string> order;
        for (const ServerRow& r : sorted) {
            order.push_back(r.info.hostName);
        }
        EXPECT_EQ(order, c.order) << static_cast<int>(c.column);
    }
}

TEST(ServerRows, CellsAndTheAnswerMergedIn) {
    ServerRow r = row("Listed name", 3, 64);
    EXPECT_EQ(cellText(r, Column::Players), "3/64");
    EXPECT_EQ(cellText(r, Column::Ping), "");
    EXPECT_EQ(cellText(r, Column::Address), "81.0.0.1:14567");
    status::ServerState asking;
    asking.asking = true;
    mergeState(r, asking);
    EXPECT_EQ(r.ping, Ping::Asking);
    EXPECT_EQ(cellText(r, Column::Ping), "");

    status::ServerState answered;
    answered.ended = true;
    status::Answer answer;
    answer.pingMs = 48;
    answer.status.numPlayers = 23;
    answer.status.mapName = "berlin";
    answer.status.players.push_back({"Fresh", 1, 0, 0, 0, 0});
    answered.answer = answer;
    mergeState(r, answered);
    EXPECT_EQ(cellText(r, Column::Ping), "48 ms");
    EXPECT_EQ(cellText(r, Column::Players), "23/64");  // the list's maximum where none came
    EXPECT_EQ(cellText(r, Column::Map), "berlin");
    EXPECT_EQ(cellText(r, Column::Server), "Listed name");
    EXPECT_TRUE(servers::passes(r, {"fresh"}, "fresh"));

    // A refresh under way keeps the last result.
    status::ServerState again = answered;
    again.asking = true;
    mergeState(r, again);
    EXPECT_EQ(cellText(r, Column::Ping), "48 ms");

    status::ServerState silent;
    silent.ended = true;
    mergeState(r, silent);
    EXPECT_EQ(cellText(r, Column::Ping), "no answer");
    EXPECT_EQ(cellText(r, Column::Map), "Wake");  // back to what the list says
}

TEST(ServerRows, StatusLines) {
    const struct {
        std::size_t servers;
        long long players;
        const char* line;
    } summaries[] = {
        {3, 57, "3 servers, 57 players"}, {1, 1, "1 server, 1 player"},
        {1, 0, "1 server, 0 players"},    {0, 0, "0 servers, 0 players"},
        {2, 1, "2 servers, 1 player"},    {11, 21, "11 servers, 21 players"},
    };
    for (const auto& s : summaries) {
        EXPECT_EQ(servers::summaryLine(s.servers, s.players), s.line);
    }
    EXPECT_EQ(servers::failureLine(nullptr), "The server list can't be reached.");
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 9;
    when.tm_hour = 7;
    when.tm_min = 5;
    when.tm_isdst = -1;
    const std::time_t time = std::mktime(&when);
    EXPECT_EQ(servers::failureLine(&time),
              "The server list can't be reached. Showing the list of 07:05.");
}

}  // namespace
}  // namespace zerlin::test
