#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#endif

namespace zerlin::files {

namespace {

std::string sizeText(std::size_t bytes) {
    constexpr std::size_t kMiB = std::size_t{1024} * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0) {
        return std::to_string(bytes / kMiB) + " MiB";
    }
    return std::to_string(bytes) + " bytes";
}

std::string tooLarge(std::size_t maxBytes) {
    return "The file is larger than " + sizeText(maxBytes) + ".";
}

const char* const kNoName = "No file name was given.";
const char* const kFolder = "It is a folder.";
const char* const kNotRegular = "It is not a regular file.";

std::string folderOf(const std::string& path) {
#ifdef _WIN32
    const auto slash = path.find_last_of("\\/");
#else
    const auto slash = path.find_last_of('/');
#endif
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
#ifdef _WIN32
    const auto slash = path.find_last_of("\\/");
#else
    const auto slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads into bytes what readSome(buffer, room) gives (the count read, 0 at the end, -1 on a
// failure) until the end or one byte past maxBytes, enough to tell a file that grew too
// large. The buffer starts at the size expected and grows only for a file that grew meanwhile
// (or reports no size, as /proc does), so a small file costs a small buffer.
template <typename ReadSome>
bool readUpTo(std::size_t expected, std::size_t maxBytes, std::string& bytes, ReadSome readSome) {
    const std::size_t limit = maxBytes + 1;
    bytes.resize(std::min(expected, maxBytes) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled == limit) {
                break;
            }
            bytes.resize(std::min(std::max<std::size_t>(filled * 2, 4096), limit));
        }
        const long long got = readSome(bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return true;
}

}  // namespace

#ifndef _WIN32

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

ReadResult readRegularFile(const std::string& path, std::size_t maxBytes) {
    ReadResult result;
    if (path.empty()) {
        result.error = kNoName;
        return result;
    }
    // Without O_NONBLOCK, opening a pipe that no one writes to would wait forever.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        result.error = systemError(errno);
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        result.error = systemError(errno);
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.error = kFolder;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = kNotRegular;
        return result;
    }
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > maxBytes) {
        result.error = tooLarge(maxBytes);
        return result;
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
        result.error = systemError(error);
        return result;
    }
    if (bytes.size() > maxBytes) {
        result.error = tooLarge(maxBytes);
        return result;
    }
    result.ok = true;
    result.bytes = std::move(bytes);
    return result;
}

std::string replaceFile(const std::string& requested, const std::string& bytes, InPlace inPlace) {
    if (requested.empty()) {
        return kNoName;
    }
    const std::string path = resolveLink(requested);
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return kFolder;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        return kNotRegular;
    }
    // A rename would replace even a read-only file; its owner made it so to keep it.
    if (exists && ::access(path.c_str(), W_OK) != 0) {
        return systemError(errno);
    }

    const std::string folder = folderOf(path);
    const std::string base = baseOf(path);
    if (base.empty()) {
        return kFolder;
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
            return writeInPlace(path, bytes);
        }
        return systemError(createError);
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
        return error;
    }
    // Makes the rename itself durable; a folder that cannot be synced changes nothing.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
    return {};
}

#else  // _WIN32

namespace {

std::wstring wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), count);
    }
    return out;
}

std::string systemError(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string out;
    if (length > 0 && buffer != nullptr) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr,
                                              0, nullptr, nullptr);
        out.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
        if (bytes > 0) {
            WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), out.data(), bytes,
                                nullptr, nullptr);
        }
    }
    if (buffer != nullptr) {
        LocalFree(buffer);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) {
        out.pop_back();
    }
    return out.empty() ? "Error " + std::to_string(error) : out;
}

class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { close(); }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool close() {
        bool ok = true;
        if (valid()) {
            ok = CloseHandle(handle_) != 0;
        }
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE handle_;
};

std::string writeAll(Handle& file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) {
            return systemError(GetLastError());
        }
        done += written;
    }
    if (!FlushFileBuffers(file.get())) {
        return systemError(GetLastError());
    }
    if (!file.close()) {
        return systemError(GetLastError());
    }
    return {};
}

}  // namespace

ReadResult readRegularFile(const std::string& path, std::size_t maxBytes) {
    ReadResult result;
    if (path.empty()) {
        result.error = kNoName;
        return result;
    }
    const std::wstring name = wide(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        result.error = kFolder;
        return result;
    }
    Handle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        result.error = systemError(GetLastError());
        return result;
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        result.error = kNotRegular;
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        result.error = systemError(GetLastError());
        return result;
    }
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        result.error = tooLarge(maxBytes);
        return result;
    }
    std::string bytes;
    DWORD error = 0;
    const bool read = readUpTo(static_cast<std::size_t>(size.QuadPart), maxBytes, bytes,
                               [&](char* buffer, std::size_t room) -> long long {
                                   DWORD got = 0;
                                   const DWORD chunk =
                                       static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30));
                                   if (!ReadFile(file.get(), buffer, chunk, &got, nullptr)) {
                                       error = GetLastError();
                                       return -1;
                                   }
                                   return got;
                               });
    if (!read) {
        result.error = systemError(error);
        return result;
    }
    if (bytes.size() > maxBytes) {
        result.error = tooLarge(maxBytes);
        return result;
    }
    result.ok = true;
    result.bytes = std::move(bytes);
    return result;
}

std::string replaceFile(const std::string& path, const std::string& bytes, InPlace inPlace) {
    if (path.empty()) {
        return kNoName;
    }
    const std::wstring target = wide(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kFolder;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return systemError(ERROR_ACCESS_DENIED);
    }
    const std::string base = baseOf(path);
    if (base.empty()) {
        return kFolder;
    }
    const std::string folder = folderOf(path);
    std::wstring temp;
    HANDLE created = INVALID_HANDLE_VALUE;
    DWORD createError = 0;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temp = wide(folder + "\\" + base + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(attempt));
        created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        createError = GetLastError();
        if (created == INVALID_HANDLE_VALUE && createError != ERROR_FILE_EXISTS) {
            break;
        }
    }
    Handle file(created);
    if (!file.valid()) {
        if (exists && inPlace == InPlace::allowed && createError == ERROR_ACCESS_DENIED) {
            Handle direct(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!direct.valid()) {
                return systemError(GetLastError());
            }
            return writeAll(direct, bytes);
        }
        return systemError(createError);
    }
    std::string error = writeAll(file, bytes);
    if (error.empty()) {
        // ReplaceFileW keeps the old file's attributes and security; a new name is a move.
        const bool replaced =
            exists && ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        if (!replaced && !MoveFileExW(temp.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = systemError(GetLastError());
        }
    }
    if (!error.empty()) {
        DeleteFileW(temp.c_str());
    }
    return error;
}

#endif

}  // namespace zerlin::files
