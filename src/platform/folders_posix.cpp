#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/folders.h"

namespace zerlin::files {

namespace {

class Folder {
  public:
    explicit Folder(DIR* dir) : dir_(dir) {}
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder() {
        if (dir_ != nullptr) {
            ::closedir(dir_);
        }
    }
    DIR* get() const { return dir_; }

  private:
    DIR* dir_;
};

}  // namespace

Result<std::vector<FolderEntry>> listFolder(const std::string& path, std::size_t maxEntries) {
    // O_NONBLOCK: a FIFO in the folder's place does not hold the listing up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return Failure{std::strerror(errno)};
    }
    const Folder folder(::fdopendir(fd));
    if (folder.get() == nullptr) {
        const int error = errno;
        ::close(fd);
        return Failure{std::strerror(error)};
    }
    std::vector<FolderEntry> entries;
    while (entries.size() < maxEntries) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr) {
            if (errno != 0) {
                return Failure{std::strerror(errno)};
            }
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            isFolder = ::fstatat(::dirfd(folder.get()), entry->d_name, &info, 0) == 0 &&
                       S_ISDIR(info.st_mode);
        }
        entries.push_back(FolderEntry{name, isFolder});
    }
    return entries;
}

Result<std::int64_t> modificationTime(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return Failure{std::strerror(errno)};
    }
    constexpr std::int64_t kNanoseconds = 1000000000;
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNanoseconds +
           static_cast<std::int64_t>(info.st_mtim.tv_nsec);
}

}  // namespace zerlin::files
