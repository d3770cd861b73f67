#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <iterator>
#include <random>

#include "doubles/temp_folder.h"
#include "platform/files.h"

namespace zerlin::test {
namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ReadRegularFile, ReadsEveryByteUpToTheLimit) {
    TempFolder dir;
    const std::string bytes("a\0b\r\n\xFF\x81z", 8);
    put(dir / "f", bytes);
    const Result<std::string> exact = files::readRegularFile(dir / "f", bytes.size());
    ASSERT_TRUE(exact.ok()) << exact.error();
    EXPECT_EQ(exact.value(), bytes);

    const Result<std::string> over = files::readRegularFile(dir / "f", bytes.size() - 1);
    EXPECT_FALSE(over.ok());
    EXPECT_NE(over.error().find("larger than 7 bytes"), std::string::npos) << over.error();

    put(dir / "empty", "");
    const Result<std::string> empty = files::readRegularFile(dir / "empty", 10);
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty.value(), "");
}

#ifdef _WIN32
// The system's own words, which differ between versions (and Wine): any reason will do.
constexpr const char* kMissingFile = "";
constexpr const char* kMissingFolder = "";
#else
constexpr const char* kMissingFile = "No such file";
constexpr const char* kMissingFolder = "No such file";
#endif

struct Refusal {
    std::string path;
    std::string reason;
};

// Reads each path in the background; the read must fail at once, saying why, and never block.
void expectReadsRefused(const std::vector<Refusal>& cases, const std::function<void()>& unblock) {
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.path);
        auto reading = std::async(std::launch::async,
                                  [&] { return files::readRegularFile(c.path, 1024 * 1024); });
        if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "the read blocked";
            unblock();  // so that the test fails instead of hanging
        }
        const Result<std::string> result = reading.get();
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.error().empty());
        EXPECT_NE(result.error().find(c.reason), std::string::npos) << result.error();
        EXPECT_TRUE(result.value().empty());
    }
}

// A folder, a sparse giant, a missing file and no name at all fail and say why; the giant is
// never read whole.
TEST(ReadRegularFile, RefusesWhatIsNoSmallRegularFile) {
    TempFolder dir;
    fs::create_directory(dir.path() / "folder");
    { std::ofstream sparse(dir / "sparse", std::ios::binary); }
    fs::resize_file(dir / "sparse", std::uintmax_t{1} << 30);
    expectReadsRefused({{dir / "folder", "folder"},
                        {dir / "sparse", "larger than 1 MiB"},
                        {dir / "missing", kMissingFile},
                        {"", "No file name"}},
                       [] {});
}

#ifndef _WIN32
// Files that report no size, such as those in /proc, are read whole all the same, and so is a
// file that turned out larger than its size said, up to the limit.
TEST(ReadRegularFile, ReadsFilesThatReportNoSize) {
    const std::string status = slurp("/proc/self/status");
    ASSERT_GT(status.size(), 100u);
    const Result<std::string> read = files::readRegularFile("/proc/self/status", 1024 * 1024);
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(read.value().substr(0, 40), status.substr(0, 40));
    EXPECT_GT(read.value().size(), 100u);

    const Result<std::string> cut = files::readRegularFile("/proc/self/status", 50);
    EXPECT_FALSE(cut.ok());
    EXPECT_NE(cut.error().find("larger than 50 bytes"), std::string::npos) << cut.error();
}

// A pipe without a writer and a device are refused without blocking or reading forever.
TEST(ReadRegularFile, RefusesPipesAndDevicesWithoutBlocking) {
    TempFolder dir;
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    expectReadsRefused({{fifo, "not a regular file"}, {"/dev/zero", "not a regular file"}}, [&] {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
    });
}
#endif

TEST(ReplaceFile, CreatesOrReplacesWithExactBytesAndLeavesNothingBeside) {
    TempFolder dir;
    const std::string target = dir / "list";
    const std::string bytes("x\0y\r\n", 5);
    EXPECT_EQ(files::replaceFile(target, bytes).error(), "");
    EXPECT_EQ(slurp(target), bytes);

#ifndef _WIN32
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
#endif
    EXPECT_EQ(files::replaceFile(target, "shorter").error(), "");
    EXPECT_EQ(slurp(target), "shorter");
    EXPECT_EQ(files::replaceFile(target, "").error(), "");
    EXPECT_EQ(fs::file_size(target), 0u);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"list"});
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
#endif
}

#ifdef _WIN32
TEST(ReplaceFile, RefusesAndKeepsAReadOnlyFile) {
    TempFolder dir;
    const std::string target = dir / "readonly.sbk";
    put(target, "keep");
    fs::permissions(target,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_NE(files::replaceFile(target, "new").error(), "");
    EXPECT_EQ(slurp(target), "keep");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"readonly.sbk"});
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
}
#else
TEST(ReplaceFile, WritesThroughASymbolicLink) {
    TempFolder dir;
    put(dir / "real", "old");
    fs::create_symlink(dir / "real", dir / "link");
    EXPECT_EQ(files::replaceFile(dir / "link", "new").error(), "");
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(slurp(dir / "real"), "new");
}
#endif

TEST(ReplaceFile, FailsWithAReasonWhereNoFileCanBeMade) {
    TempFolder dir;
    put(dir / "plain", "keep");
    fs::create_directory(dir.path() / "folder");
    put(dir / "folder/inside", "x");
    const std::vector<Refusal> cases = {
#ifdef _WIN32
        {dir / "plain/list.sbk", kMissingFolder},
#else
        {dir / "plain/list.sbk", "Not a directory"},
        {"/dev/null", "not a regular file"},
#endif
        {dir / "nowhere/list.sbk", kMissingFolder},
        {dir / "folder", "folder"},
        {"", "No file name"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string error = files::replaceFile(c.path, "data").error();
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    EXPECT_EQ(slurp(dir / "plain"), "keep");
    EXPECT_EQ(namesIn(dir.path() / "folder"), std::vector<std::string>{"inside"});
}

#ifndef _WIN32
// Runs check as the unprivileged user "nobody" in a child process (root ignores
// permissions); returns its exit code, or -1 when no such child can be had.
template <typename Check>
int asNobody(Check check) {
    if (::geteuid() != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(99);
        }
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 99) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST(ReplaceFile, KeepsAReadOnlyFileAndWritesInPlaceWhereTheFolderTakesNoNewFile) {
    TempFolder dir;
    const fs::path open = dir.path() / "open";
    const fs::path locked = dir.path() / "locked";
    fs::create_directories(open);
    fs::create_directories(locked);
    put((open / "readonly.sbk").string(), "keep");
    put((locked / "writable.sbk").string(), "old");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
    ASSERT_EQ(::chmod((open / "readonly.sbk").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((locked / "writable.sbk").c_str(), 0666), 0);

    const int result = asNobody([&] {
        const std::string refused =
            files::replaceFile((open / "readonly.sbk").string(), "new").error();
        const std::string inPlace =
            files::replaceFile((locked / "writable.sbk").string(), "new").error();
        const std::string noRoom =
            files::replaceFile((locked / "other.sbk").string(), "new").error();
        return (refused.find("Permission denied") != std::string::npos ? 0 : 1) |
               (inPlace.empty() ? 0 : 2) |
               (noRoom.find("Permission denied") != std::string::npos ? 0 : 4);
    });
    if (result < 0) {
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    }
    EXPECT_EQ(result, 0) << "bit 1: read-only file, 2: in place, 4: no new file";
    EXPECT_EQ(slurp((open / "readonly.sbk").string()), "keep");
    EXPECT_EQ(slurp((locked / "writable.sbk").string()), "new");
    EXPECT_EQ(namesIn(open), std::vector<std::string>{"readonly.sbk"});
    EXPECT_EQ(namesIn(locked), std::vector<std::string>{"writable.sbk"});
}

// A write that fails part-way, on a full file system, leaves the old file whole.
TEST(ReplaceFile, AFailurePartWayKeepsTheOldFile) {
    TempFolder dir;
    const fs::path mountPoint = dir.path() / "small";
    fs::create_directory(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::string target = (mountPoint / "list.sbk").string();
    put(target, "old contents\r\n");
    const std::string error = files::replaceFile(target, std::string(256 * 1024, 'x')).error();
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    EXPECT_EQ(slurp(target), "old contents\r\n");
    EXPECT_EQ(namesIn(mountPoint), std::vector<std::string>{"list.sbk"});
    ::umount(mountPoint.c_str());
}

// A file that a new one could not stand in for stays the same file, written where it is: the
// other name sees the new list, an attribute and another user's ownership stay. A dangling link
// gets the file it names and stays a link.
TEST(ReplaceFile, KeepsWhatMakesItTheSameFile) {
    TempFolder dir;
    fs::create_directory(dir.path() / "sub");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    struct Case {
        std::string name, saved, holder;  // the name saved to, the name that then holds the list
        std::function<bool()> prepare;    // false: the file system refuses it here
        bool byNobody;
    };
    const std::vector<Case> cases = {
        {"a hard link", dir / "a.sbk", dir / "b.sbk",
         [&] {
             put(dir / "a.sbk", "old, and longer\r\n");
             return ::link((dir / "a.sbk").c_str(), (dir / "b.sbk").c_str()) == 0;
         },
         false},
        {"an extended attribute", dir / "x.sbk", dir / "x.sbk",
         [&] {
             put(dir / "x.sbk", "old");
             return ::setxattr((dir / "x.sbk").c_str(), "user.zerlin", "kept", 4, 0) == 0;
         },
         false},
        {"another user's file", dir / "o.sbk", dir / "o.sbk",
         [&] {
             put(dir / "o.sbk", "old");
             return ::chmod((dir / "o.sbk").c_str(), 0666) == 0;
         },
         true},
        {"a dangling chain of relative links", dir / "link", dir / "sub/end.sbk",
         [&] {
             fs::create_symlink("sub/hop", dir / "link");
             fs::create_symlink("../sub/end.sbk", dir / "sub/hop");
             return true;
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool prepared = c.prepare();
        struct stat before {};
        const bool existed = ::stat(c.holder.c_str(), &before) == 0;
        const auto save = [&] { return files::replaceFile(c.saved, "new\r\n").ok() ? 0 : 1; };
        const int result = !prepared ? -1 : c.byNobody ? asNobody(save) : save();
        if (result < 0) {
            std::cout << "skipped here: " << c.name << "\n";
            continue;
        }
        EXPECT_EQ(result, 0);
        EXPECT_EQ(slurp(c.holder), "new\r\n");
        struct stat after {};
        ASSERT_EQ(::stat(c.holder.c_str(), &after), 0);
        if (existed) {
            EXPECT_EQ(after.st_ino, before.st_ino) << "the same file, attributes and all";
            EXPECT_EQ(after.st_uid, before.st_uid);
            EXPECT_EQ(after.st_mode, before.st_mode);
        }
    }
    EXPECT_TRUE(fs::is_symlink(dir / "link") && fs::is_symlink(dir / "sub/hop"));
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"a.sbk", "b.sbk", "link", "o.sbk", "sub", "x.sbk"}));
}

// A file written in place onto a full disk keeps its old bytes: the room is reserved first.
TEST(ReplaceFile, AFullDiskKeepsAFileWrittenInPlace) {
    TempFolder dir;
    const fs::path small = dir.path() / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k,mode=0777") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    const std::string target = (small / "list.sbk").string();
    put(target, "old contents\r\n");
    ASSERT_EQ(::link(target.c_str(), (small / "other").c_str()), 0);
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    const auto save = [&](const std::string& bytes) {
        const std::string error = files::replaceFile(target, bytes).error();
        return error.empty() ? 0 : error.find("No space left") != std::string::npos ? 1 : 2;
    };
    EXPECT_EQ(save(std::string(256 * 1024, 'x')), 1) << "0: saved, 1: no space, 2: other";
    EXPECT_EQ(slurp((small / "other").string()), "old contents\r\n");
    // The folder takes no new file: written in place by a user who may write only the file.
    ASSERT_EQ(::unlink((small / "other").c_str()), 0);
    ASSERT_EQ(::chmod(small.c_str(), 0555), 0);
    const int result = asNobody([&] { return save(std::string(256 * 1024, 'x')); });
    EXPECT_TRUE(result == 1 || result == -1) << result;
    EXPECT_TRUE(slurp(target) == "old contents\r\n") << "the old file, byte for byte";
    EXPECT_EQ(namesIn(small), std::vector<std::string>{"list.sbk"});
    ::umount(small.c_str());
}
#endif

}  // namespace
}  // namespace zerlin::test
