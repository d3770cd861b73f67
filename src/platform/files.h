#pragma once

#include <cstddef>
#include <string>

#include "platform/result.h"

// File access that needs more than the standard streams give. Paths are UTF-8. The reading and
// replacing are the operating system's own (files_posix.cpp, files_windows.cpp).
namespace zerlin::files {

// Reads a regular file of at most maxBytes: the whole file. A folder, pipe, device or missing
// file fails at once, without blocking; a larger file fails without being read into memory.
Result<std::string> readRegularFile(const std::string& path, std::size_t maxBytes);

// Replaces the file's contents with bytes so that a failure leaves the old file as it was:
// written beside it, then renamed over it. Where the folder takes no new file but the file
// itself is writable, writes in place unless that is refused (readers that do not lock could
// see it half written).
enum class InPlace { allowed, refused };
Status replaceFile(const std::string& requested, const std::string& bytes,
                   InPlace inPlace = InPlace::allowed);

struct WrittenFile {
    std::string path;
    bool inFolder = false;  // written under its own name into the folder asked for
};

// Writes bytes as name into folder (folder ends with its separator), replacing an old file.
// Where that folder takes no file, writes them under a fresh name ending in the same extension
// into fallbackFolder instead, created there exclusively, so that nothing another user placed
// there is followed or overwritten. A file that cannot be written whole is removed again.
Result<WrittenFile> writeNewOrReplace(const std::string& folder, const std::string& name,
                                      const std::string& fallbackFolder, const std::string& bytes);

// The user's temporary folder, the empty text when there is none.
std::string temporaryFolder();

}  // namespace zerlin::files
