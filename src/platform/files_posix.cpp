#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/files.h"
#include "platform/files_detail.h"

namespace zerlin::files {

using namespace detail;

namespace {

std::string systemError(int error) {
    return std::strerror(error);
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    // Closes now, so that a failure of the close itself can be reported.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

// Writes all bytes; the empty text on success, else the reason.
std::string writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return systemError(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// Syncs and closes; the empty text on success, else the reason.
std::string finish(Descriptor& fd) {
    if (::fsync(fd.get()) != 0 && errno != EINVAL) {
        return systemError(errno);
    }
    if (fd.close() != 0) {
        return systemError(errno);
    }
    return {};
}

std::string writeInPlace(const std::string& path, const std::string& bytes) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        return systemError(errno);
    }
    std::string error = writeAll(fd.get(), bytes);
    return error.empty() ? finish(fd) : error;
}

// A symbolic link is followed, so that the file it names gets the new contents and the link
// stays a link.
std::string resolveLink(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return path;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string target = resolved;
    std::free(resolved);
    return target;
}

}  // namespace

Result<std::string> readRegularFile(const std::string& path, std::size_t maxBytes) {
    if (path.empty()) {
        return Failure{kNoName};
    }
    // Without O_NONBLOCK, opening a pipe that no one writes to would wait forever.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        return Failure{systemError(errno)};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return Failure{systemError(errno)};
    }
    if (S_ISDIR(info.st_mode)) {
        return Failure{kFolder};
    }
    if (!S_ISREG(info.st_mode)) {
        return Failure{kNotRegular};
    }
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) {
        return Failure{tooLarge(maxBytes)};
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    std::string bytes;
    int error = 0;
    const bool read = readUpTo(static_cast<std::size_t>(info.st_size), maxBytes, bytes,
                               [&](char* buffer, std::size_t room) -> long long {
                                   ssize_t got = 0;
                                   do {
                                       got = ::read(fd.get(), buffer, room);
                                   } while (got < 0 && errno == EINTR);
                                   error = errno;
                                   return got;
                               });
    if (!read) {
        return Failure{systemError(error)};
    }
    if (bytes.size() > maxBytes) {
        return Failure{tooLarge(maxBytes)};
    }
    return bytes;
}

Status replaceFile(const std::string& requested, const std::string& bytes, InPlace inPlace) {
    if (requested.empty()) {
        return Failure{kNoName};
    }
    const std::string path = resolveLink(requested);
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return Failure{kFolder};
    }
    if (exists && !S_ISREG(old.st_mode)) {
        return Failure{kNotRegular};
    }
    // A rename would replace even a read-only file; its owner made it so to keep it.
    if (exists && ::access(path.c_str(), W_OK) != 0) {
        return Failure{systemError(errno)};
    }

    const std::string folder = folderOf(path, "/");
    const std::string base = baseOf(path, "/");
    if (base.empty()) {
        return Failure{kFolder};
    }
    const std::string tempStem = folder + "/." + base + ".tmp" + std::to_string(::getpid()) + "-";
    std::string temp;
    int created = -1;
    int createError = 0;
    for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
        temp = tempStem + std::to_string(attempt);
        created = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        createError = errno;
        if (created < 0 && createError != EEXIST) {
            break;
        }
    }
    if (created < 0) {
        // A folder that takes no new file may still hold a writable file: written in place,
        // as the only way left, at the cost of a fragment should the write fail part-way.
        if (exists && inPlace == InPlace::allowed &&
            (createError == EACCES || createError == EPERM) && ::access(path.c_str(), W_OK) == 0) {
            return statusOf(writeInPlace(path, bytes));
        }
        return Failure{systemError(createError)};
    }
    Descriptor fd(created);
    if (exists) {
        // The new file takes the place of the old one: it keeps its owner and permissions.
        (void)::fchown(fd.get(), old.st_uid, old.st_gid);
        (void)::fchmod(fd.get(), old.st_mode & 07777);
    }
    std::string error = writeAll(fd.get(), bytes);
    if (error.empty()) {
        error = finish(fd);
    }
    if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0) {
        error = systemError(errno);
    }
    if (!error.empty()) {
        ::unlink(temp.c_str());
        return Failure{error};
    }
    // Makes the rename itself durable; a folder that cannot be synced changes nothing.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
    return {};
}

}  // namespace zerlin::files
