#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

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

Status writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Failure{systemError(errno)};
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// Syncs and closes.
Status finish(Descriptor& fd) {
    if (::fsync(fd.get()) != 0 && errno != EINVAL) {
        return Failure{systemError(errno)};
    }
    if (fd.close() != 0) {
        return Failure{systemError(errno)};
    }
    return {};
}

// Overwrites the file's contents where it is, for a file that must stay the same file (other
// names, attributes, an owner the new file could not keep) or whose folder takes no new file.
// The room is reserved first: a disk too full for the new contents refuses the save and leaves
// the old file byte for byte.
Status writeInPlace(const std::string& path, const std::string& bytes) {
    // Read access lets the C library reserve room on file systems that cannot do it themselves.
    const int flags = O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
    int opened = ::open(path.c_str(), O_RDWR | flags);
    if (opened < 0 && errno == EACCES) {
        opened = ::open(path.c_str(), O_WRONLY | flags);
    }
    if (opened < 0) {
        return Failure{systemError(errno)};
    }
    Descriptor fd(opened);
    struct stat old {};
    if (::fstat(fd.get(), &old) != 0) {
        return Failure{systemError(errno)};
    }
    if (!S_ISREG(old.st_mode)) {
        return Failure{kNotRegular};
    }
    const auto size = static_cast<off_t>(bytes.size());
    if (size > 0) {
        const int reserved = ::posix_fallocate(fd.get(), 0, size);
        if (reserved != 0) {
            // Whatever was added past the old end goes again; the old bytes were not touched.
            struct stat now {};
            if (::fstat(fd.get(), &now) == 0 && now.st_size != old.st_size) {
                (void)::ftruncate(fd.get(), old.st_size);
            }
            if (reserved == ENOSPC || reserved == EDQUOT || reserved == EFBIG) {
                return Failure{systemError(reserved)};
            }
            return Failure{"The file system couldn't reserve room for the new contents (" +
                           systemError(reserved) + "), so the file was left as it was."};
        }
    }
    if (::lseek(fd.get(), 0, SEEK_SET) != 0) {
        return Failure{systemError(errno)};
    }
    if (Status written = writeAll(fd.get(), bytes); !written) {
        return written;
    }
    if (::ftruncate(fd.get(), size) != 0) {
        return Failure{systemError(errno)};
    }
    return finish(fd);
}

// Follows symbolic links, a chain of them too, to the name that holds the data: the file
// itself, or the one a dangling link names, which the save then creates. The links stay links.
Result<std::string> resolveLinks(const std::string& requested) {
    std::string path = requested;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            return Failure{systemError(errno)};
        }
        target.resize(static_cast<std::size_t>(length));
        if (!target.starts_with('/')) {
            target.insert(0, folderOf(path, "/") + "/");
        }
        path = std::move(target);
    }
    return Failure{systemError(ELOOP)};
}

// Whether a new file renamed over the old one is the same file to everyone else: a plain file
// under one name, without extended attributes or access lists that a new file would lack. The
// SELinux label is the one attribute every file there has; the policy labels the new file.
bool renameKeepsTheFile(const std::string& path, const struct stat& old) {
    if (!S_ISREG(old.st_mode) || old.st_nlink != 1) {
        return false;
    }
    const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size <= 0) {
        return size == 0 || errno == ENOTSUP;
    }
    std::string names(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
    if (got < 0) {
        return false;
    }
    names.resize(static_cast<std::size_t>(got));
    for (std::size_t at = 0; at < names.size();) {
        const std::size_t end = std::min(names.find('\0', at), names.size());
        if (names.compare(at, end - at, "security.selinux") != 0) {
            return false;
        }
        at = end + 1;
    }
    return true;
}

// Whether a file that is there may be replaced.
Status checkReplaceable(const std::string& path, const struct stat& old) {
    if (S_ISDIR(old.st_mode)) {
        return Failure{kFolder};
    }
    if (!S_ISREG(old.st_mode)) {
        return Failure{kNotRegular};
    }
    // A rename would replace even a read-only file; its owner made it so to keep it.
    if (::access(path.c_str(), W_OK) != 0) {
        return Failure{systemError(errno)};
    }
    return {};
}

// Creates a new file in folder under a fresh name made from base, which temp then holds: its
// descriptor, or -1 with errno set.
int createBeside(const std::string& folder, const std::string& base, std::string& temp) {
    const std::string stem = folder + "/." + base + ".tmp" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = stem + std::to_string(attempt);
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Whether the new file took the old one's owner, group and permissions.
bool keepsOwnerAndMode(int fd, const struct stat& old) {
    // The owner first: changing it clears the set-user-ID bits that fchmod then sets again.
    (void)::fchown(fd, old.st_uid, old.st_gid);
    (void)::fchmod(fd, old.st_mode & 07777);
    struct stat now {};
    return ::fstat(fd, &now) == 0 && now.st_uid == old.st_uid && now.st_gid == old.st_gid &&
           (now.st_mode & 07777) == (old.st_mode & 07777);
}

}  // namespace

namespace {

// cut: a larger file gives its first maxBytes; otherwise it fails.
Result<std::string> readFile(const std::string& path, std::size_t maxBytes, bool cut) {
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
    if (!cut && (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes)) {
        return Failure{tooLarge(maxBytes)};
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }
    std::string bytes;
    int error = 0;
    const bool read = readUpTo(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)), maxBytes,
                               bytes, [&](char* buffer, std::size_t room) -> long long {
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
        if (!cut) {
            return Failure{tooLarge(maxBytes)};
        }
        bytes.resize(maxBytes);
    }
    return bytes;
}

}  // namespace

Result<std::string> readRegularFile(const std::string& path, std::size_t maxBytes) {
    return readFile(path, maxBytes, false);
}

Result<std::string> readFileStart(const std::string& path, std::size_t maxBytes) {
    return readFile(path, maxBytes, true);
}

Status replaceFile(const std::string& requested, const std::string& bytes, InPlace inPlace,
                   Links links) {
    if (requested.empty()) {
        return Failure{kNoName};
    }
    const Result<std::string> resolved =
        links == Links::followed ? resolveLinks(requested) : Result<std::string>(requested);
    if (!resolved) {
        return Failure{resolved.error()};
    }
    const std::string& path = resolved.value();
    struct stat old {};
    // A link that is to be replaced counts as no file: the rename puts the new one in its place.
    const bool exists = links == Links::followed
                            ? ::stat(path.c_str(), &old) == 0
                            : ::lstat(path.c_str(), &old) == 0 && !S_ISLNK(old.st_mode);
    if (exists) {
        if (Status replaceable = checkReplaceable(path, old); !replaceable) {
            return replaceable;
        }
    }
    // Another name, attributes or access lists stay with the file only when it is written in
    // place, as careful editors do. Where that is refused, the new file replaces it whole.
    const bool mayWriteInPlace = inPlace == InPlace::allowed;
    if (exists && mayWriteInPlace && !renameKeepsTheFile(path, old)) {
        return writeInPlace(path, bytes);
    }

    const std::string folder = folderOf(path, "/");
    const std::string base = baseOf(path, "/");
    if (base.empty()) {
        return Failure{kFolder};
    }
    std::string temp;
    const int created = createBeside(folder, base, temp);
    const int createError = errno;
    if (created < 0) {
        // A folder that takes no new file may still hold a writable file.
        if (exists && mayWriteInPlace && (createError == EACCES || createError == EPERM)) {
            return writeInPlace(path, bytes);
        }
        return Failure{systemError(createError)};
    }
    Descriptor fd(created);
    // The new file takes the place of the old one only if it keeps its owner, group and
    // permissions; another user's file is written in place, so that it stays theirs.
    if (exists && !keepsOwnerAndMode(fd.get(), old) && mayWriteInPlace) {
        fd.close();
        ::unlink(temp.c_str());
        return writeInPlace(path, bytes);
    }
    Status written = writeAll(fd.get(), bytes);
    if (written) {
        written = finish(fd);
    }
    if (written && ::rename(temp.c_str(), path.c_str()) != 0) {
        written = Failure{systemError(errno)};
    }
    if (!written) {
        ::unlink(temp.c_str());
        return written;
    }
    // Makes the rename itself durable; a folder that cannot be synced changes nothing.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
    return {};
}

}  // namespace zerlin::files
