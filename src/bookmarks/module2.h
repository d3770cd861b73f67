#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"

// Bookmark files: one bookmark entry a line, in the platform's 8-bit code page (UTF-8 where
// a name needs it).
namespace zerlin {

inline constexpr int kMaxBookmarkLines = 200;
// The most bytes a bookmark file may hold besides its line ends. Those do not count, as a save
// turns each into CR LF: whatever loads can be saved and opened again.
inline constexpr std::size_t kMaxBookmarkFileBytes = std::size_t{1024} * 1024;

inline constexpr const char* kBookmarkFilter = "Bookmark file (*.sbk) |*.sbk|";
inline constexpr const char* kOpenBookmarkTitle = "Open bookmark file";

struct BookmarkFileResult {
    bool ok = false;
    std::string reason;  // why it failed, for a message; empty on success
    explicit operator bool() const { return ok; }
};

// The rows that a bookmark file's bytes hold, as LoadBookmarkFile reads them. Fails, saying
// why, for more than kMaxBookmarkFileBytes bytes besides line ends or more than
// kMaxBookmarkLines lines; rows is then empty.
BookmarkFileResult decodeBookmarkFile(std::string_view bytes, std::vector<std::string>& rows);

// Replaces the rows of the list with the lines of the file. The list changes only when the
// whole file was read; a failure leaves it as it was and says why. Shows nothing.
BookmarkFileResult LoadBookmarkFile(const std::string& path, ListBox& list);

// Writes every row of the list, each followed by CR LF. A failure leaves an existing file
// as it was and says why. Shows nothing.
BookmarkFileResult WriteBookmarkFile(const std::string& path, const ListBox& list);

}  // namespace zerlin
