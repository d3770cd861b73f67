#include <gtest/gtest.h>

#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "doubles/temp_folder.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/result.h"
#include "settings/ini_document.h"
#include "settings/ini_file_settings.h"

namespace zerlin::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(IniFileSettings, KeepsAHandEditedFileAndCopiesAGarbledOneOnce) {
    TempFolder dir;
    const std::string path = dir / "zerlin/settings.ini";
    fs::create_directories(dir / "zerlin");
    const std::string typed =
        "# my settings\r\n[Sti]\r\nSti = /games/Battlefield 1942; GOTY/BF1942.exe\r\n"
        "[Options]\r\nBook=C:\\lists\\\"mine\".sbk\r\nnot an entry\r\n";
    dir.file("zerlin/settings.ini", typed);
    IniFileSettings store(path);
    EXPECT_EQ(store.read("sti", "sti"), "/games/Battlefield 1942; GOTY/BF1942.exe");
    EXPECT_EQ(store.read("Options", "Book"), "C:\\lists\\\"mine\".sbk");
    EXPECT_EQ(slurp(path), typed);  // reading changes nothing

    store.write("Options", "SaveIP", "yes");
    store.write("Options", {{"IP", "10.0.0.1"}, {"port", "14567"}});
    EXPECT_EQ(slurp(path), typed + "SaveIP=yes\r\nIP=10.0.0.1\r\nport=14567\r\n");
    EXPECT_EQ(store.read("OPTIONS", "Port"), "14567");
    // The line it cannot read is kept aside once, before the first rewrite.
    EXPECT_EQ(slurp(path + ".corrupt"), typed);
    EXPECT_EQ(namesIn(dir / "zerlin"),
              (std::vector<std::string>{"settings.ini", "settings.ini.corrupt"}));
}

#ifndef _WIN32
// One of several writers: own keys and a shared section, each write read back at once.
void writeMany(const std::string& path, const std::string& name, int count) {
    IniFileSettings store(path);
    for (int i = 0; i < count; ++i) {
        store.write(i % 2 ? "Options" : "OPTIONS", name + std::to_string(i), std::to_string(i));
    }
}

TEST(IniFileSettings, WritersInSeveralProgramsAndThreadsLoseNothing) {
    TempFolder dir;
    const std::string path = dir / "settings.ini";
    const int count = 100;
    std::vector<pid_t> children;
    for (const char* process : {"a", "b"}) {
        const pid_t child = ::fork();
        if (child == 0) {
            std::thread other(writeMany, path, std::string(process) + "x", count);
            writeMany(path, std::string(process) + "y", count);
            other.join();
            ::_exit(0);
        }
        ASSERT_GT(child, 0);
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    IniFileSettings store(path);
    for (const char* name : {"ax", "ay", "bx", "by"}) {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(store.read("options", name + std::to_string(i)), std::to_string(i)) << name;
        }
    }
    EXPECT_EQ(namesIn(dir / ""), std::vector<std::string>{"settings.ini"});
}

// A remembered server is the IP and port of one join, however many joins write at once.
TEST(IniFileSettings, EntriesWrittenTogetherAreReadTogether) {
    TempFolder dir;
    const std::string path = dir / "settings.ini";
    std::atomic<bool> done{false};
    std::atomic<int> mixed{0};
    std::thread reader([&] {
        while (!done) {
            const IniDocument document(files::readRegularFile(path, 1 << 20).value());
            const auto ip = document.value("Options", "IP");
            const auto port = document.value("Options", "Port");
            if (ip && port && ip->substr(7) != *port) {
                ++mixed;
            }
        }
    });
    std::vector<std::thread> joins;
    for (int writer = 0; writer < 2; ++writer) {
        joins.emplace_back([&, writer] {
            IniFileSettings store(path);
            for (int i = 0; i < 150; ++i) {
                const std::string n = std::to_string(writer * 1000 + i);
                store.write("Options", {{"IP", "10.0.0." + n}, {"Port", n}});
            }
        });
    }
    for (std::thread& join : joins) {
        join.join();
    }
    done = true;
    reader.join();
    EXPECT_EQ(mixed, 0);
}

#ifndef _WIN32
// Each write is stored or says why not: nothing may look stored that is not on disk.
TEST(IniFileSettings, AWriteIsStoredOrSaysWhyNot) {
    const std::string longComment = "# " + std::string(std::size_t{2} << 20, 'c') + "\n";
    struct Case {
        const char* name;
        std::function<void(const TempFolder&)> prepare;
        bool stored;
        const char* why;  // a part of the failure's text
    } const cases[] = {
        {"a dangling link into a folder that exists",
         [](const TempFolder& dir) {
             fs::create_directories(dir / "dotfiles");
             fs::create_symlink(dir / "dotfiles/zerlin.ini", dir / "settings.ini");
         },
         true, ""},
        {"a chain of links, the last dangling",
         [](const TempFolder& dir) {
             fs::create_symlink(dir / "second", dir / "settings.ini");
             fs::create_symlink(dir / "zerlin.ini", dir / "second");
         },
         true, ""},
        {"a file of 2 MiB with a long comment",
         [&](const TempFolder& dir) {
             dir.file("settings.ini", longComment + "[Options]\nClose=no\n");
         },
         true, ""},
        {"a folder in the file's place",
         [](const TempFolder& dir) { fs::create_directories(dir / "settings.ini"); }, false,
         "folder"},
        {"a file over 16 MiB",
         [](const TempFolder& dir) {
             dir.file("settings.ini", "# " + std::string(std::size_t{17} << 20, 'c'));
         },
         false, "larger"},
        {"a link to itself",
         [](const TempFolder& dir) {
             fs::create_symlink(dir / "settings.ini", dir / "settings.ini");
         },
         false, "levels"},
        {"a dangling link into a folder that is not there",
         [](const TempFolder& dir) {
             fs::create_symlink(dir / "not-yet/zerlin.ini", dir / "settings.ini");
         },
         false, "No such file"},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        c.prepare(dir);
        IniFileSettings store(dir / "settings.ini");
        const Status written = store.write("Options", "AutoJoin", "yes");
        EXPECT_EQ(written.ok(), c.stored) << c.name << ": " << written.error();
        EXPECT_EQ(store.read("options", "autojoin"), c.stored ? "yes" : "") << c.name;
        EXPECT_NE(written.error().find(c.why), std::string::npos)
            << c.name << ": " << written.error();
    }

    // What was read of the long file stays, and the link stays a link.
    TempFolder dir;
    dir.file("settings.ini", longComment + "[Options]\nClose=yes\n");
    IniFileSettings big(dir / "settings.ini");
    EXPECT_EQ(big.read("Options", "Close"), "yes");
    ASSERT_TRUE(big.write("Options", "Close", "no"));
    EXPECT_EQ(slurp(dir / "settings.ini"), longComment + "[Options]\nClose=no\n");
    fs::create_directories(dir / "dotfiles");
    fs::create_symlink(dir / "dotfiles/zerlin.ini", dir / "linked.ini");
    ASSERT_TRUE(IniFileSettings(dir / "linked.ini").write("Sti", "Sti", "/g/BF1942.exe"));
    EXPECT_TRUE(fs::is_symlink(dir / "linked.ini"));
    EXPECT_EQ(slurp(dir / "dotfiles/zerlin.ini"), "[Sti]\nSti=/g/BF1942.exe\n");
}

TEST(IniFileSettings, AReadOnlyFileIsKeptAndTheWriteSaysSo) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser writes read-only files";
    }
    TempFolder dir;
    const std::string path = dir.file("settings.ini", "[Options]\nClose=no\n");
    fs::permissions(path, fs::perms::owner_read);
    const Status written = IniFileSettings(path).write("Options", "Close", "yes");
    EXPECT_FALSE(written);
    EXPECT_NE(written.error().find("Permission denied"), std::string::npos) << written.error();
    EXPECT_EQ(slurp(path), "[Options]\nClose=no\n");
}
#endif

TEST(IniFileSettings, WaitsForAnotherWriterButNotForEver) {
    TempFolder dir;
    const std::string path = dir / "settings.ini";
    IniFileSettings store(path);
    {
        // Released after a while: the write waits for it.
        std::optional<files::FileLock> held;
        held.emplace(path + ".writelock", std::chrono::milliseconds(0));
        ASSERT_TRUE(held->held());
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            dir.file("settings.ini", "[Options]\nIP=10.0.0.1\n");
            held.reset();
        });
        store.write("Options", "Port", "14567");
        release.join();
        EXPECT_EQ(slurp(path), "[Options]\nIP=10.0.0.1\nPort=14567\n");
    }
    // Held by a copy that hangs: the write goes ahead after about three seconds.
    const files::FileLock hung(path + ".writelock", std::chrono::milliseconds(0));
    ASSERT_TRUE(hung.held());
    const auto start = Clock::now();
    store.write("Options", "Close", "yes");
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(2900));
    EXPECT_LT(waited, std::chrono::milliseconds(5000));
    EXPECT_EQ(store.read("Options", "Close"), "yes");
}

TEST(IniFileSettings, ALockThatIsNoFileIsSkippedAtOnce) {
    TempFolder dir;
    const std::string path = dir / "settings.ini";
    ASSERT_EQ(::mkfifo((path + ".writelock").c_str(), 0600), 0);
    IniFileSettings store(path);
    const auto start = Clock::now();
    store.write("Options", "IP", "10.0.0.1");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(store.read("Options", "IP"), "10.0.0.1");
}

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(IniFileSettings, FileGoesUnderTheConfigurationFolderOrTheUsersHome) {
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const std::string database = user->pw_dir;
    ASSERT_FALSE(database.empty());
    struct Case {
        const char *home, *xdg;
        std::string expected;
    };
    const Case cases[] = {
        {"/h", nullptr, "/h/.config/zerlin/settings.ini"},
        {"/h/", "", "/h/.config/zerlin/settings.ini"},
        {"/h", "relative", "/h/.config/zerlin/settings.ini"},
        {"/h", "/x/cfg/", "/x/cfg/zerlin/settings.ini"},
        {"/h", "/x//cfg", "/x/cfg/zerlin/settings.ini"},
        {nullptr, nullptr, database + "/.config/zerlin/settings.ini"},
        {"", nullptr, database + "/.config/zerlin/settings.ini"},
        {"relative", nullptr, database + "/.config/zerlin/settings.ini"},
        {nullptr, "/x/cfg", "/x/cfg/zerlin/settings.ini"},
    };
    for (const Case& c : cases) {
        const ScopedEnv home("HOME", c.home);
        const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(IniFileSettings::filePath("zerlin"),
                  fs::path(c.expected).lexically_normal().string())
            << (c.home ? c.home : "(unset)") << " " << (c.xdg ? c.xdg : "(unset)");
    }
    const ScopedEnv xdg("XDG_CONFIG_HOME", "/x");
    EXPECT_EQ(IniFileSettings::filePath("zerlin-test"), "/x/zerlin-test/settings.ini");
    EXPECT_EQ(IniFileSettings::filePath(""), "/x/zerlin/settings.ini");
}
#endif

}  // namespace
}  // namespace zerlin::test
