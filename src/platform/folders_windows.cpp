#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/folders.h"
#include "text/utf16.h"

namespace zerlin::files {

namespace {

std::string errorText(DWORD error) {
    return "Error " + std::to_string(error);
}

std::int64_t ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

}  // namespace

Result<std::vector<FolderEntry>> listFolder(const std::string& path, std::size_t maxEntries) {
    std::wstring pattern = text::toUtf16(path);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') {
        pattern += L'\\';
    }
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return Failure{errorText(GetLastError())};
    }
    std::vector<FolderEntry> entries;
    do {
        const std::string name = text::toUtf8(found.cFileName);
        if (name == "." || name == "..") {
            continue;
        }
        entries.push_back(
            FolderEntry{name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (entries.size() < maxEntries && FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

Result<std::int64_t> modificationTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(text::toUtf16(path).c_str(), GetFileExInfoStandard, &data)) {
        return Failure{errorText(GetLastError())};
    }
    return ticks(data.ftLastWriteTime);
}

}  // namespace zerlin::files
