#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <thread>

#include "platform/file_lock.h"
#include "text/utf16.h"

namespace zerlin::files {

FileLock::FileLock(const std::string& path, std::chrono::milliseconds patience) : path_(path) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    const std::wstring name = text::toUtf16(path);
    for (;;) {
        // Opened by one at a time, and removed when its holder closes it.
        HANDLE file =
            CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            if (GetFileType(file) != FILE_TYPE_DISK) {
                CloseHandle(file);
                return;
            }
            handle_ = static_cast<long long>(reinterpret_cast<std::intptr_t>(file));
            return;
        }
        const DWORD error = GetLastError();
        const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
        if (!busy || std::chrono::steady_clock::now() >= deadline) {
            return;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

FileLock::~FileLock() {
    if (held()) {
        CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle_)));
    }
}

}  // namespace zerlin::files
