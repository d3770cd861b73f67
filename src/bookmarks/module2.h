#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls.h"
#include "platform/result.h"

// Bookmark files: one bookmark entry a line, in the platform's 8-bit code page (UTF-8 where
// a name needs it).
namespace zerlin {

inline constexpr int kMaxBookmarkLines = 200;
// The most bytes a bookmark file may hold besides its line ends. Those do not count, as a save
// turns each into CR LF: whatever loads can be saved and opened again.
inline constexpr std::size_t kMaxBookmarkFileBytes = std::size_t{1024} * 1024;

inline constexpr const char* kBookmarkFilter = "Bookmark file (*.sbk) |*.sbk|";
inline constexpr const char* kOpenBookmarkTitle = "Open bookmark file";

// The rows that a bookmark file's bytes hold, as LoadBookmarkFile reads them. Fails, saying
// why, for more than kMaxBookmarkFileBytes bytes besides line ends or more than
// kMaxBookmarkLines lines.
Result<std::vector<std::string>> decodeBookmarkFile(std::string_view bytes);

// Replaces the rows of the list with the lines of the file. The list changes only when the
// whole file was read; a failure leaves it as it was and says why. Shows nothing.
Status LoadBookmarkFile(const std::string& path, ListBox& list);

// Writes every row of the list, each followed by CR LF. A failure leaves an existing file
// as it was and says why. Shows nothing.
Status WriteBookmarkFile(const std::string& path, const ListBox& list);

}  // namespace zerlin
