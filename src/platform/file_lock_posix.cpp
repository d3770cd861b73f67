#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/file_lock.h"

namespace zerlin::files {

FileLock::FileLock(const std::string& path, std::chrono::milliseconds patience) : path_(path) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        // Non-blocking and not through a link: whatever stands under the name, this returns.
        const int fd = ::open(
            path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd < 0) {
            return;
        }
        struct stat own {};
        if (::fstat(fd, &own) != 0 || !S_ISREG(own.st_mode)) {
            ::close(fd);
            return;
        }
        int locked = 0;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked == 0) {
            // The holder before may have removed the file after this one opened it: a lock on
            // a name that is gone or taken by a new file locks nothing.
            struct stat named {};
            if (::lstat(path.c_str(), &named) == 0 && named.st_dev == own.st_dev &&
                named.st_ino == own.st_ino) {
                handle_ = fd;
                return;
            }
            ::close(fd);
            continue;
        }
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        if (!busy || std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

FileLock::~FileLock() {
    if (held()) {
        // Removed while still held, so that no one locks the old file after this.
        ::unlink(path_.c_str());
        ::close(static_cast<int>(handle_));
    }
}

}  // namespace zerlin::files
