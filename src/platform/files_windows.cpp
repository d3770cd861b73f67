#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "platform/files.h"
#include "platform/files_detail.h"
#include "text/utf16.h"

namespace zerlin::files {

using namespace detail;

namespace {

std::string systemError(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string out;
    if (length > 0 && buffer != nullptr) {
        out = text::toUtf8(std::wstring_view(buffer, length));
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

Status writeAll(Handle& file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr)) {
            return Failure{systemError(GetLastError())};
        }
        done += written;
    }
    if (!FlushFileBuffers(file.get())) {
        return Failure{systemError(GetLastError())};
    }
    if (!file.close()) {
        return Failure{systemError(GetLastError())};
    }
    return {};
}

}  // namespace

namespace {

// cut: a larger file gives its first maxBytes; otherwise it fails.
Result<std::string> readFile(const std::string& path, std::size_t maxBytes, bool cut) {
    if (path.empty()) {
        return Failure{kNoName};
    }
    const std::wstring name = text::toUtf16(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return Failure{kFolder};
    }
    Handle file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return Failure{systemError(GetLastError())};
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return Failure{kNotRegular};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        return Failure{systemError(GetLastError())};
    }
    if (!cut && (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > maxBytes)) {
        return Failure{tooLarge(maxBytes)};
    }
    std::string bytes;
    DWORD error = 0;
    const bool read = readUpTo(static_cast<std::size_t>(std::max<LONGLONG>(size.QuadPart, 0)),
                               maxBytes, bytes, [&](char* buffer, std::size_t room) -> long long {
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

Status replaceFile(const std::string& path, const std::string& bytes, InPlace inPlace,
                   Links links) {
    if (path.empty()) {
        return Failure{kNoName};
    }
    const std::wstring target = text::toUtf16(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    // A link that is to be replaced counts as no file: the move puts the new one in its place.
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES &&
                        !(links == Links::replaced && (attributes & FILE_ATTRIBUTE_REPARSE_POINT));
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return Failure{kFolder};
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return Failure{systemError(ERROR_ACCESS_DENIED)};
    }
    const std::string base = baseOf(path, "\\/");
    if (base.empty()) {
        return Failure{kFolder};
    }
    const std::string folder = folderOf(path, "\\/");
    std::wstring temp;
    HANDLE created = INVALID_HANDLE_VALUE;
    DWORD createError = 0;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temp = text::toUtf16(folder + "\\" + base + ".tmp" + std::to_string(GetCurrentProcessId()) +
                             "-" + std::to_string(attempt));
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
                return Failure{systemError(GetLastError())};
            }
            return writeAll(direct, bytes);
        }
        return Failure{systemError(createError)};
    }
    Status written = writeAll(file, bytes);
    if (written) {
        // ReplaceFileW keeps the old file's attributes and security; a new name is a move.
        const bool replaced =
            exists && ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                   REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        if (!replaced && !MoveFileExW(temp.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            written = Failure{systemError(GetLastError())};
        }
    }
    if (!written) {
        DeleteFileW(temp.c_str());
    }
    return written;
}

}  // namespace zerlin::files
