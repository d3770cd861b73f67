#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/path.h"
#include "platform/script_files.h"

namespace zerlin::files {

namespace {

constexpr int kNamesPerFolder = 99;  // the name asked for, then "-2" to "-99"

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_;
};

bool writeAll(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

// A lock on the folder itself, so that two launchers do not choose and take a name at the same
// moment. It is held for a few system calls; a folder that stays locked for longer (or takes no
// lock at all) is used without it, so that a join never hangs.
Descriptor lockFolder(const std::string& folder) {
    Descriptor dir(::open(folder.empty() ? "." : folder.c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
    if (dir.get() < 0) {
        return dir;
    }
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (::flock(dir.get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return dir;
}

// A regular file under name that another launcher holds locked: its script, not yet read. The
// file is opened without following a link, without blocking and without reading it.
bool lockedByOther(int dir, const std::string& name, const struct stat& seen) {
    Descriptor fd(
        ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat opened {};
    if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0) {
        return true;  // cannot be told: left alone
    }
    if (opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino) {
        return true;  // changed meanwhile
    }
    return ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

std::string numbered(const std::string& name, int number) {
    if (number == 1) {
        return name;
    }
    const std::size_t dot = name.rfind('.');
    const std::size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, stem) + "-" + std::to_string(number) + name.substr(stem);
}

}  // namespace

struct ScriptFiles::Held {
    struct Script {
        std::string path;
        std::string bytes;
        Descriptor fd;
        dev_t dev = 0;
        ino_t ino = 0;

        bool is(const struct stat& info) const { return info.st_dev == dev && info.st_ino == ino; }
    };

    // Takes a new file, written whole, synced and locked; an invalid descriptor on a failure,
    // with errno saying why.
    static Descriptor create(int dir, const std::string& name, const std::string& bytes,
                             Script& script) {
        Descriptor fd(::openat(dir, name.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                               0666));
        if (fd.get() < 0) {
            return fd;
        }
        struct stat info {};
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EINVAL &&
            errno != EOPNOTSUPP) {
            ::unlinkat(dir, name.c_str(), 0);
            return Descriptor();
        }
        if (!writeAll(fd.get(), bytes, 0) || (::fsync(fd.get()) != 0 && errno != EINVAL) ||
            ::fstat(fd.get(), &info) != 0) {
            const int error = errno;
            ::unlinkat(dir, name.c_str(), 0);
            errno = error;
            return Descriptor();
        }
        script.bytes = bytes;
        script.dev = info.st_dev;
        script.ino = info.st_ino;
        return fd;
    }

    Script* own(const std::string& path, const struct stat& info) {
        for (Script& script : scripts) {
            if (script.path == path && script.is(info)) {
                return &script;
            }
        }
        return nullptr;
    }

    // Lets go of the scripts whose names no longer name them: nothing can reach them.
    void prune() {
        std::erase_if(scripts, [](const Script& script) {
            struct stat info {};
            return ::lstat(script.path.c_str(), &info) != 0 || !script.is(info);
        });
    }

    // An earlier join's script, perhaps not yet read: rewritten in place, written before it is
    // cut, so that a reader finds the old or the new script whole.
    static bool rewrite(Script& script, const std::string& bytes) {
        if (script.bytes == bytes) {
            return true;
        }
        if (!writeAll(script.fd.get(), bytes, 0) ||
            ::ftruncate(script.fd.get(), static_cast<off_t>(bytes.size())) != 0) {
            return false;
        }
        script.bytes = bytes;
        return true;
    }

    // A new file under a private name, then renamed to candidate.
    bool put(int dir, const std::string& candidate, const std::string& path,
             const std::string& bytes, WrittenScript& written) {
        Script script{path, {}, Descriptor(), 0, 0};
        std::string temp;
        for (int attempt = 0; attempt < 100 && script.fd.get() < 0; ++attempt) {
            temp = "." + candidate + "." + std::to_string(::getpid()) + "-" +
                   std::to_string(attempt) + ".tmp";
            script.fd = create(dir, temp, bytes, script);
            if (script.fd.get() < 0 && errno != EEXIST) {
                return false;
            }
        }
        if (script.fd.get() < 0) {
            return false;
        }
        if (::renameat(dir, temp.c_str(), dir, candidate.c_str()) != 0) {
            ::unlinkat(dir, temp.c_str(), 0);
            return false;
        }
        written = WrittenScript{path, true, false, script.fd.get()};
        scripts.push_back(std::move(script));
        return true;
    }

    // Into the folder under name, or the first free name after it; false where the folder
    // takes no file.
    bool writeInFolder(const std::string& folder, const std::string& name, const std::string& bytes,
                       WrittenScript& written) {
        const Descriptor dir = lockFolder(folder);
        if (dir.get() < 0) {
            return false;
        }
        prune();
        for (int number = 1; number <= kNamesPerFolder; ++number) {
            const std::string candidate = numbered(name, number);
            const std::string path = folder + candidate;
            struct stat info {};
            if (::fstatat(dir.get(), candidate.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno != ENOENT) {
                    return false;
                }
            } else if (Script* script = own(path, info)) {
                if (!rewrite(*script, bytes)) {
                    return false;
                }
                written = WrittenScript{path, true, true, script->fd.get()};
                return true;
            } else if (S_ISDIR(info.st_mode) ||
                       (S_ISREG(info.st_mode) && lockedByOther(dir.get(), candidate, info))) {
                continue;  // in the way, or another launcher's script
            }
            // Free, or what a script may replace: a stale script, a link, a pipe, a device.
            return put(dir.get(), candidate, path, bytes, written);
        }
        return false;
    }

    // Into fallbackFolder under a fresh name, created exclusively, so that nothing another user
    // placed there is followed or overwritten.
    bool writeInFallback(const std::string& fallbackFolder, const std::string& name,
                         const std::string& bytes, WrittenScript& written) {
        const std::string extension = fromPath(toPath(name).extension());
        std::random_device seed;
        std::mt19937_64 random(seed());
        const Descriptor dir(::open(fallbackFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() < 0) {
            return false;
        }
        for (int attempt = 0; attempt < 16; ++attempt) {
            char unique[40];
            std::snprintf(unique, sizeof unique, "zerlin-run-%016llx",
                          static_cast<unsigned long long>(random()));
            const std::string base = unique + extension;
            Script script{fromPath(toPath(fallbackFolder) / toPath(base)), {}, Descriptor(), 0, 0};
            script.fd = create(dir.get(), base, bytes, script);
            if (script.fd.get() >= 0) {
                written = WrittenScript{script.path, false, false, script.fd.get()};
                scripts.push_back(std::move(script));
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }

    std::vector<Script> scripts;
};

ScriptFiles::ScriptFiles() : held_(std::make_unique<Held>()) {}
ScriptFiles::~ScriptFiles() = default;

Result<WrittenScript> ScriptFiles::write(const std::string& folder, const std::string& name,
                                         const std::string& fallbackFolder,
                                         const std::string& bytes) {
    WrittenScript written;
    if (held_->writeInFolder(folder, name, bytes, written) ||
        (!fallbackFolder.empty() && held_->writeInFallback(fallbackFolder, name, bytes, written))) {
        return written;
    }
    std::string error = name + " couldn't be written in " + folder;
    if (!fallbackFolder.empty()) {
        error += " nor in " + fallbackFolder;
    }
    return Failure{error + "."};
}

void ScriptFiles::remove(const std::string& path) {
    auto& scripts = held_->scripts;
    const auto it = std::find_if(scripts.begin(), scripts.end(),
                                 [&](const Held::Script& script) { return script.path == path; });
    if (it == scripts.end()) {
        return;
    }
    const std::string folder = fromPath(toPath(path).parent_path());
    const std::string base = fromPath(toPath(path).filename());
    // Under the folder's lock, so that no launcher puts a script of its own under the name
    // between the look and the deletion.
    const Descriptor dir = lockFolder(folder.empty() ? "." : folder + "/");
    struct stat info {};
    if (dir.get() >= 0 && ::fstatat(dir.get(), base.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        it->is(info)) {
        ::unlinkat(dir.get(), base.c_str(), 0);
    }
    scripts.erase(it);
}

}  // namespace zerlin::files
