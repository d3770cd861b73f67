#include "servers/played_servers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "doubles/temp_folder.h"
#include "platform/files.h"
#include "servers/kept_list.h"
#include "servers/server_rows.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zerlin::servers {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

PlayedServer joinOf(const std::string& ip, std::uint16_t port, std::time_t time,
                    const std::string& name = "") {
    PlayedServer server;
    server.ip = ip;
    server.port = port;
    server.time = time;
    server.name = name;
    return server;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> keysOf(const std::vector<PlayedServer>& played) {
    std::vector<std::string> keys;
    for (const PlayedServer& server : played) {
        keys.push_back(playedKey(server.ip, server.port));
    }
    return keys;
}

TEST(PlayedServers, JoinsAreKeptNewestFirstOnceEachAndAtMostFifty) {
    std::vector<PlayedServer> played;
    addJoin(played, joinOf("10.0.0.1", 14567, 100, "First"));
    addJoin(played, joinOf("10.0.0.2", 14567, 200));
    // The same server, however its IP was typed: its earlier join goes, its name stays.
    addJoin(played, joinOf("  10.0.0.1\t", 14567, 300));
    // Another port of the same host is another server.
    addJoin(played, joinOf("10.0.0.2", 14568, 400));
    addJoin(played, joinOf("Bf.Example.ORG", 14567, 500));
    addJoin(played, joinOf("bf.example.org ", 14567, 600, "Renamed"));
    EXPECT_EQ(keysOf(played), (std::vector<std::string>{"bf.example.org:14567", "10.0.0.2:14568",
                                                        "10.0.0.1:14567", "10.0.0.2:14567"}));
    EXPECT_EQ(played[0].name, "Renamed");
    EXPECT_EQ(played[0].ip, "bf.example.org");
    EXPECT_EQ(played[2].name, "First");
    EXPECT_EQ(played[2].ip, "10.0.0.1");
    EXPECT_EQ(played[2].time, 300);

    for (int i = 0; i < 60; ++i) {
        addJoin(played, joinOf("10.1.0." + std::to_string(i), 14567, 1000 + i));
    }
    ASSERT_EQ(played.size(), kMaxPlayed);
    EXPECT_EQ(played.front().ip, "10.1.0.59");
    EXPECT_EQ(played.back().ip, "10.1.0.10");

    EXPECT_TRUE(removePlayed(played, "10.1.0.59 ", 14567));
    EXPECT_FALSE(removePlayed(played, "10.1.0.58", 14568));
    EXPECT_EQ(played.size(), kMaxPlayed - 1);
    EXPECT_EQ(played.front().ip, "10.1.0.58");
}

TEST(PlayedServers, AJoinTakesTheServersOwnNameBeforeTheBookmarks) {
    struct Case {
        const char* what;
        const char* ip;
        const char* port;
        JoinFacts facts;
        bool recorded;
        const char* name;
    };
    const Case cases[] = {
        {"answer first",
         "10.0.0.1",
         "14567",
         {"Answered", "Listed", 23001, "Mine", ""},
         true,
         "Answered"},
        {"list next", "10.0.0.1", "14567", {"", "Listed", 23001, "Mine", ""}, true, "Listed"},
        {"bookmark last", "10.0.0.1", "14567", {" ", "", std::nullopt, "Mine", ""}, true, "Mine"},
        {"nothing known", " 10.0.0.1 ", " 14567 ", {}, true, ""},
        {"no port number", "10.0.0.1", "14567a", {}, false, ""},
        {"port 0", "10.0.0.1", "0", {}, false, ""},
        {"port too large", "10.0.0.1", "65536", {}, false, ""},
        {"no IP", "  ", "14567", {}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<PlayedServer> entry = playedJoin(c.ip, c.port, c.facts, 42);
        ASSERT_EQ(entry.has_value(), c.recorded);
        if (entry) {
            EXPECT_EQ(entry->ip, "10.0.0.1");
            EXPECT_EQ(entry->port, 14567);
            EXPECT_EQ(entry->name, c.name);
            EXPECT_EQ(entry->queryPort, c.facts.listedQueryPort);
            EXPECT_EQ(entry->time, 42);
        }
    }
}

TEST(PlayedServers, TheFileReadsBackWhatWasWrittenAndSkipsWhatNamesNoServer) {
    std::vector<PlayedServer> played{joinOf("10.0.0.1", 14567, 1700000000, "Caf\xc3\xa9"),
                                     joinOf("bf.example.org", 14600, 1600000000)};
    played[0].queryPort = 23005;
    played[1].mod = "DC_Final";
    EXPECT_EQ(decodePlayed(encodePlayed(played)), played);

    EXPECT_FALSE(decodePlayed("not json"));
    EXPECT_FALSE(decodePlayed(R"({"format":2,"servers":[]})"));
    EXPECT_FALSE(decodePlayed(R"({"format":1,"servers":{}})"));
    const auto mixed =
        decodePlayed(R"({"format":1,"servers":[{"ip":"10.0.0.9","port":14567,"time":5},)"
                     R"({"ip":"","port":14567,"time":5},{"ip":"10.0.0.8","port":70000,"time":5},)"
                     R"({"ip":"10.0.0.7","port":14567},{"ip":"10.0.0.6","port":"14567","time":5},)"
                     R"({"ip":"10.0.0.9","port":14567,"time":4,"name":"older"},)"
                     R"({"ip":"10.0.0.5","port":14567,"time":3,"queryPort":0,"name":7}]})");
    ASSERT_TRUE(mixed);
    EXPECT_EQ(keysOf(*mixed), (std::vector<std::string>{"10.0.0.9:14567", "10.0.0.5:14567"}));
    EXPECT_EQ(mixed->at(0).name, "");
    EXPECT_EQ(mixed->at(1).queryPort, std::nullopt);
}

TEST(PlayedServers, LastPlayedIsTheTimeTodayElseTheDate) {
    std::tm noon{};
    noon.tm_year = 2026 - 1900;
    noon.tm_mon = 2;
    noon.tm_mday = 14;
    noon.tm_hour = 12;
    noon.tm_min = 5;
    noon.tm_isdst = -1;
    const std::time_t now = std::mktime(&noon);
    EXPECT_EQ(playedTimeText(now - 3600, now), "11:05");
    EXPECT_EQ(playedTimeText(now - 13 * 3600, now), "2026-03-13");
    EXPECT_EQ(playedTimeText(now - 366 * 24 * 3600, now), "2025-03-13");
}

class PlayedFile : public ::testing::Test {
  protected:
    std::string path() const { return dir / "state/zerlin/played.json"; }
    PlayedServers store() {
        return PlayedServers(path(), [this](const std::string& text) { told.push_back(text); });
    }

    TempFolder dir;
    std::vector<std::string> told;
};

TEST_F(PlayedFile, RecordsAndForgetsOnDiskAndStartsAnewFromAnUnreadableFile) {
    PlayedServers played = store();
    EXPECT_TRUE(played.load().empty());
    ASSERT_TRUE(played.record(joinOf("10.0.0.1", 14567, 1)));
    ASSERT_TRUE(played.record(joinOf("10.0.0.2", 14567, 2)));
    // Another copy's view of the same file.
    EXPECT_EQ(keysOf(store().load()),
              (std::vector<std::string>{"10.0.0.2:14567", "10.0.0.1:14567"}));
    ASSERT_TRUE(played.forget("10.0.0.2", 14567));
    EXPECT_EQ(keysOf(store().load()), (std::vector<std::string>{"10.0.0.1:14567"}));

    std::ofstream(path(), std::ios::binary | std::ios::trunc) << "{\"format\":1,\"serv";
    EXPECT_TRUE(played.load().empty());
    ASSERT_TRUE(played.record(joinOf("10.0.0.3", 14567, 3)));
    EXPECT_EQ(slurp(path() + ".corrupt"), "{\"format\":1,\"serv");
    EXPECT_EQ(keysOf(played.load()), (std::vector<std::string>{"10.0.0.3:14567"}));
    EXPECT_TRUE(told.empty());
}

#ifndef _WIN32
TEST_F(PlayedFile, OwnFilesReplaceALinkAndLeaveAFifoOrFolderAlone) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> place;
    };
    const std::string target = dir / "target.json";
    const std::string keep =
        "{\"format\":1,\"servers\":[{\"ip\":\"10.0.0.4\",\"port\":1,\"time\":1}]}";
    const Case links[] = {
        {"a link to a list", [&](const std::string& p) { fs::create_symlink(target, p); }},
        {"a dangling link", [&](const std::string& p) { fs::create_symlink(dir / "none", p); }},
    };
    for (const Case& c : links) {
        SCOPED_TRACE(c.what);
        fs::remove(path());
        fs::create_directories(fs::path(path()).parent_path());
        std::ofstream(target, std::ios::binary | std::ios::trunc) << keep;
        c.place(path());
        ASSERT_TRUE(store().record(joinOf("10.0.0.5", 14567, 5)));
        EXPECT_FALSE(fs::is_symlink(path()));
        EXPECT_FALSE(fs::exists(dir / "none"));
        EXPECT_EQ(slurp(target), keep);
        // The kept list is the program's own file as well.
        const std::string kept = dir / "servers.json";
        fs::remove(kept);
        c.place(kept);
        ASSERT_TRUE(saveKeptList(kept, KeptList{}));
        EXPECT_FALSE(fs::is_symlink(kept));
        EXPECT_EQ(slurp(target), keep);
        EXPECT_FALSE(fs::exists(dir / "none"));
    }
    EXPECT_EQ(store().load().front().ip, "10.0.0.5");

    const Case others[] = {
        {"a FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"a folder", [](const std::string& p) { fs::create_directories(p); }},
    };
    for (const Case& c : others) {
        SCOPED_TRACE(c.what);
        fs::remove(path());
        c.place(path());
        told.clear();
        PlayedServers played = store();
        EXPECT_TRUE(played.load().empty());
        EXPECT_FALSE(played.record(joinOf("10.0.0.6", 14567, 6)));
        EXPECT_FALSE(played.forget("10.0.0.6", 14567));
        // Said once, with the file and why.
        ASSERT_EQ(told.size(), 1U);
        EXPECT_EQ(told[0].rfind(std::string(PlayedServers::notice) + path() + ": ", 0), 0U)
            << told[0];
        EXPECT_FALSE(fs::is_regular_file(path()));
        EXPECT_FALSE(fs::exists(path() + ".corrupt"));
        const std::string kept = dir / "servers.json";
        fs::remove(kept);
        c.place(kept);
        const Status saved = saveKeptList(kept, KeptList{});
        EXPECT_FALSE(saved);
        EXPECT_EQ(saved.error().rfind(kept + ": ", 0), 0U) << saved.error();
        EXPECT_FALSE(fs::is_regular_file(kept));
    }
}

TEST_F(PlayedFile, TwoCopiesJoiningAtOnceLoseNoJoin) {
    ASSERT_TRUE(store().record(joinOf("10.9.9.9", 14567, 1)));
    constexpr int kCopies = 4;
    constexpr int kJoins = 10;
    std::vector<pid_t> children;
    for (int copy = 0; copy < kCopies; ++copy) {
        const pid_t child = ::fork();
        if (child == 0) {
            PlayedServers played(path(), {});
            int failed = 0;
            for (int join = 0; join < kJoins; ++join) {
                const std::string ip = "10.0." + std::to_string(copy) + "." + std::to_string(join);
                failed += played.record(joinOf(ip, 14567, 10 + join)) ? 0 : 1;
            }
            ::_exit(failed);
        }
        ASSERT_GT(child, 0);
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::vector<PlayedServer> played = store().load();
    const std::vector<std::string> listed = keysOf(played);
    const std::set<std::string> keys(listed.begin(), listed.end());
    EXPECT_EQ(keys.size(), std::size_t{kCopies * kJoins + 1});
    EXPECT_EQ(played.size(), keys.size());
}
#endif

}  // namespace
}  // namespace zerlin::servers
