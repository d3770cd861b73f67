#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/result.h"

// Looking into folders. Paths and names are UTF-8; the listing is the operating system's own
// (folders_posix.cpp, folders_windows.cpp).
namespace zerlin::files {

struct FolderEntry {
    std::string name;
    bool folder = false;  // a folder, or a link to one
};

// The entries of a folder, without "." and "..", in no particular order; at most maxEntries of
// them (the rest are not read). Fails for a missing path or one that is no folder.
Result<std::vector<FolderEntry>> listFolder(const std::string& path, std::size_t maxEntries);

// When the file or folder was last modified, in the system's own units: a value that changes
// when an entry is added to or removed from a folder. Fails for a missing path.
Result<std::int64_t> modificationTime(const std::string& path);

}  // namespace zerlin::files
