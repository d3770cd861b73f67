#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "doubles/network_doubles.h"
#include "status/host.h"
#include "status/reply.h"
#include "status/server_status.h"

namespace zerlin::test {
namespace {

using namespace std::chrono_literals;
using status::ReplyAssembler;

std::string joined(const std::vector<std::string>& bodies) {
    std::string out;
    for (const std::string& body : bodies) {
        out += body;
    }
    return out;
}

TEST(StatusReply, PutsPartsTogether) {
    const std::string p1 = "\\a\\1\\queryid\\7.1";
    const std::string p2 = "\\b\\2\\queryid\\7.2";
    const std::string p3 = "\\c\\3\\final\\\\queryid\\7.3";
    struct Case {
        const char* what;
        std::vector<std::string> datagrams;
        std::optional<std::string> whole;  // the bodies in order, once whole
    };
    const std::vector<Case> cases = {
        {"one part", {"\\a\\1\\final\\\\queryid\\1.1"}, "\\a\\1"},
        {"in order", {p1, p2, p3}, "\\a\\1\\b\\2\\c\\3"},
        {"reverse order", {p3, p2, p1}, "\\a\\1\\b\\2\\c\\3"},
        {"a part twice", {p1, p2, p2, p3}, "\\a\\1\\b\\2\\c\\3"},
        {"a part lost", {p1, p3}, std::nullopt},
        {"no final part", {p1, p2}, std::nullopt},
        {"parts of another reply do not fill a gap",
         {p1, p3, "\\b\\2\\queryid\\8.2"},
         std::nullopt},
        {"the second try's reply comes whole after the first's lost a part",
         {p1, p3, "\\a\\1\\queryid\\8.1", "\\b\\2\\queryid\\8.2", "\\c\\3\\final\\\\queryid\\8.3"},
         "\\a\\1\\b\\2\\c\\3"},
        {"a part after the final one", {p3, p1, "\\b\\2\\final\\\\queryid\\7.2"}, std::nullopt},
        {"two different final parts", {"\\a\\1\\final\\\\queryid\\7.2", p3, p1, p2}, std::nullopt},
        {"part 17", {"\\a\\1\\final\\\\queryid\\7.17"}, std::nullopt},
        {"part 0", {"\\a\\1\\final\\\\queryid\\7.0"}, std::nullopt},
        {"no query id", {"\\a\\1\\final\\"}, std::nullopt},
        {"junk",
         {"junk", "", "\\\\\\\\", "\\queryid\\x.1", "\\a\\1\\final\\\\queryid\\.1"},
         std::nullopt},
        {"no leading backslash", {"a\\1\\final\\\\queryid\\7.1"}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReplyAssembler assembler;
        std::optional<std::string> whole;
        for (const std::string& datagram : c.datagrams) {
            if (auto bodies = assembler.add(datagram, 0us)) {
                EXPECT_FALSE(whole) << "completed twice";
                whole = joined(*bodies);
            }
        }
        EXPECT_EQ(whole, c.whole);
    }
}

TEST(StatusReply, DropsAReplyBeyondItsLimits) {
    // 16 parts of 4 200 bytes make a reply too big; 16 small ones are fine.
    for (const std::size_t size : {std::size_t{10}, std::size_t{4200}}) {
        SCOPED_TRACE(size);
        ReplyAssembler assembler;
        std::optional<std::vector<std::string>> whole;
        for (int n = 16; n >= 1; --n) {
            whole = assembler.add("\\k\\" + std::string(size, 'x') + (n == 16 ? "\\final\\" : "") +
                                      "\\queryid\\1." + std::to_string(n),
                                  0us);
        }
        EXPECT_EQ(whole.has_value(), size == 10);
    }
}

TEST(StatusReply, ReadsTheStatus) {
    const std::string base = "\\hostname\\Srv\\mapname\\Wake\\numplayers\\2\\maxplayers\\64";
    const std::string twoPlayers =
        "\\playername_0\\Ann\\keyhash_0\\abc123\\score_0\\5\\team_0\\1"
        "\\playername_1\\Bob\\keyhash_1\\def456\\score_1\\-3\\team_1\\2";
    struct Case {
        const char* what;
        std::string pairs;
        std::vector<std::string> names;  // the players kept, in order
        std::vector<std::string> teams;  // each kept player's team name
        std::string hostName = "Srv";
        std::string mapName = "Wake";
    };
    const std::vector<Case> cases = {
        {"two players",
         base + twoPlayers + "\\teamname_0\\Axis\\teamname_1\\Allies",
         {"Ann", "Bob"},
         {"Axis", "Allies"}},
        {"stale players past numplayers",
         base + twoPlayers + "\\playername_2\\Gone\\score_2\\9\\team_2\\1",
         {"Ann", "Bob"},
         {"", ""}},
        {"Windows-1252 texts",
         "\\hostname\\Caf\xE9 \x80\\mapname\\Wake\\numplayers\\1\\playername_0\\J\xFCrgen",
         {"J\xC3\xBCrgen"},
         {""},
         "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"a backslash in a name shifts the pairs until the next known key",
         base + "\\playername_0\\Foo\\Bar\\score_0\\5\\team_0\\1\\playername_1\\Bob\\team_1\\2"
                "\\teamname_0\\Axis\\teamname_1\\Allies",
         {"Foo", "Bob"},
         {"Axis", "Allies"}},
        {"a backslash in the host name",
         "\\hostname\\A\\B\\mapname\\Wake\\numplayers\\0",
         {},
         {},
         "A"},
        {"control characters",
         "\\hostname\\a\nb\tc\\mapname\\Wake\\numplayers\\0",
         {},
         {},
         "a b c"},
        {"bytes the code page leaves undefined are no controls on the screen",
         "\\hostname\\a\x81"
         "b\x9D"
         "c\\mapname\\Wake\\numplayers\\1\\playername_0\\x\x8Fy",
         {"x y"},
         {""},
         "a b c"},
        {"an odd word at the end", base + "\\playername_0\\Ann\\score_0", {"Ann"}, {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto status = status::parseServerStatus(status::readPairs({c.pairs}));
        EXPECT_EQ(status.hostName, c.hostName);
        EXPECT_EQ(status.mapName, c.mapName);
        std::vector<std::string> names;
        std::vector<std::string> teams;
        for (const auto& player : status.players) {
            names.push_back(player.name);
            teams.push_back(status.teamName(player.team));
        }
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(teams, c.teams);
    }
    // Numbers, and nothing of the key hash anywhere.
    const auto status = status::parseServerStatus(status::readPairs(
        {base + twoPlayers + "\\password\\1\\reservedslots\\2\\hostport\\14567\\tickets1\\x"}));
    EXPECT_EQ(status.maxPlayers, 64);
    EXPECT_EQ(status.players.at(1).score, -3);
    EXPECT_TRUE(status.password);
    EXPECT_EQ(status.reservedSlots, 2);
    EXPECT_EQ(status.hostPort, 14567);
    EXPECT_EQ(status.tickets1, 0);
    for (const auto& player : status.players) {
        EXPECT_EQ(player.name.find("abc123"), std::string::npos);
    }
}

// A reply may name far more players than a server holds; only the first ones by number are
// kept, while the count stays the server's.
TEST(StatusReply, KeepsABoundedNumberOfPlayers) {
    for (const int count : {3, 256, 257, 1000}) {
        SCOPED_TRACE(count);
        std::string pairs = "\\numplayers\\" + std::to_string(count);
        for (int i = count - 1; i >= 0; --i) {
            pairs += "\\playername_" + std::to_string(i) + "\\P" + std::to_string(i);
        }
        const auto status = status::parseServerStatus(status::readPairs({pairs}));
        EXPECT_EQ(status.numPlayers, count);
        const auto kept = std::min<std::size_t>(static_cast<std::size_t>(count), 256);
        ASSERT_EQ(status.players.size(), kept);
        EXPECT_EQ(status.players.front().name, "P0");
        // Appended, not "P" + text: GCC 12 at -O3 warns of an overlap that is not there.
        std::string last = "P";
        last += std::to_string(kept - 1);
        EXPECT_EQ(status.players.back().name, last);
    }
}

// The address as people write it ("10.0.0.1", "2001:db8::1"), to tell what a text was read as.
std::string addressText(const net::IpAddress& address) {
    std::string out;
    if (!address.v6) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0) {
                out += '.';
            }
            out += std::to_string(address.bytes[i]);
        }
        return out;
    }
    // The longest run of two or more zero groups becomes "::".
    std::array<unsigned, 8> groups{};
    for (std::size_t i = 0; i < 8; ++i) {
        groups[i] = (address.bytes[2 * i] << 8) | address.bytes[2 * i + 1];
    }
    std::size_t bestStart = 8;
    std::size_t bestLength = 1;
    for (std::size_t i = 0; i < 8;) {
        std::size_t j = i;
        while (j < 8 && groups[j] == 0) {
            ++j;
        }
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < 8; ++i) {
        if (i == bestStart) {
            out += "::";
            i += bestLength - 1;
            continue;
        }
        if (!out.empty() && out.back() != ':') {
            out += ':';
        }
        std::string group;
        for (unsigned value = groups[i]; value != 0 || group.empty(); value >>= 4) {
            group.insert(group.begin(), kHex[value & 0xF]);
        }
        out += group;
    }
    return out;
}

TEST(StatusHost, ReadsAddressesNamesAndPorts) {
    struct Case {
        std::string text;
        std::string address;  // the address as text; empty when none
        bool hostName;
    };
    const std::vector<Case> cases = {
        {"10.0.0.1", "10.0.0.1", false},
        {"127.0.0.2", "127.0.0.2", false},
        {"::1", "::1", false},
        {"[::1]", "::1", false},
        {"2001:DB8:0:0:0:0:0:1", "2001:db8::1", false},
        {"::ffff:10.0.0.1", "::ffff:a00:1", false},
        {"fe80::1:0:0:2", "fe80::1:0:0:2", false},
        {"1:2:3:4:5:6:7:8", "1:2:3:4:5:6:7:8", false},
        {"localhost", "", true},
        {"bf.example.org", "", true},
        {"my_server-1.lan.", "", true},
        {"//10.0.0.1", "", false},
        {"10.0.0.256", "", false},
        {"1.2.3", "", false},
        {"010.0.0.1", "", false},
        {"10.0.0.1 ", "", false},
        {"1:2:3:4:5:6:7:8:9", "", false},
        {"1::2::3", "", false},
        {":1", "", false},
        {"-bad.org", "", false},
        {"", "", false},
        {"a..b", "", false},
        {"x y", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto address = status::parseIpAddress(c.text);
        EXPECT_EQ(address ? addressText(*address) : "", c.address);
        EXPECT_EQ(status::isHostName(c.text), c.hostName);
    }
    EXPECT_EQ(status::parsePort("14567"), 14567);
    EXPECT_EQ(status::parsePort("65535"), 65535);
    for (const char* bad : {"", "0", "65536", "+1", " 1", "1x", "999999"}) {
        EXPECT_EQ(status::parsePort(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace zerlin::test
