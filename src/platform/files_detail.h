#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

#include "platform/result.h"

// What the operating systems' file code shares (files_posix.cpp, files_windows.cpp).
namespace zerlin::files::detail {

inline const char* const kNoName = "No file name was given.";
inline const char* const kFolder = "It is a folder.";
inline const char* const kNotRegular = "It is not a regular file.";

std::string tooLarge(std::size_t maxBytes);

// The folder and the name of a path whose separators are any of separators.
std::string folderOf(const std::string& path, const char* separators);
std::string baseOf(const std::string& path, const char* separators);

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

}  // namespace zerlin::files::detail
