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
// As readRegularFile, but a larger file gives its first maxBytes.
Result<std::string> readFileStart(const std::string& path, std::size_t maxBytes);

// Replaces the file's contents with bytes so that a failure leaves the old file as it was:
// written beside it, then renamed over it. A file that the new one could not stand in for (one
// with other names, extended attributes or access lists, or an owner, group or permissions the
// new file cannot take) and a writable file in a folder that takes no new file are written in
// place, after the room for bytes was reserved, unless that is refused (readers that do not lock
// could see it half written): then the first are replaced all the same and the last fails. A
// symbolic link is followed; a dangling one gets the file it names. The program's own files
// take Links::replaced instead: a link in their place (dangling or not) is replaced by a file,
// and whatever it names is never written.
enum class InPlace { allowed, refused };
enum class Links { followed, replaced };
Status replaceFile(const std::string& requested, const std::string& bytes,
                   InPlace inPlace = InPlace::allowed, Links links = Links::followed);

// The user's temporary folder, the empty text when there is none.
std::string temporaryFolder();

}  // namespace zerlin::files
