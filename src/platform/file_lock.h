#pragma once

#include <chrono>
#include <string>

namespace zerlin::files {

// An exclusive lock between running programs, held while the object lives: the lock file at
// the path is made when missing and removed again on release. A lock another program holds is
// waited for, a little at a time, up to the patience given; a lock file that cannot be made
// (no folder, no permission, not a regular file) is given up at once. The lock ends with the
// program that holds it, however it ends.
class FileLock {
  public:
    FileLock(const std::string& path, std::chrono::milliseconds patience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return handle_ != kNone; }

  private:
    static constexpr long long kNone = -1;
    // How long a program that finds the lock taken waits before it tries again.
    static constexpr std::chrono::milliseconds kRetryPause{2};

    std::string path_;
    long long handle_ = kNone;  // a descriptor, or a Windows handle's number
};

}  // namespace zerlin::files
