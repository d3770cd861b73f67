#pragma once

#include <cstddef>
#include <string>

// File access that needs more than the standard streams give. Paths are UTF-8.
namespace zerlin::files {

struct ReadResult {
    bool ok = false;
    std::string bytes;  // the whole file, when ok
    std::string error;  // why not, when !ok
};

// Reads a regular file of at most maxBytes. A folder, pipe, device or missing file fails
// at once, without blocking; a larger file fails without being read into memory.
ReadResult readRegularFile(const std::string& path, std::size_t maxBytes);

enum class InPlace { allowed, refused };

// Replaces the file's contents with bytes so that a failure leaves the old file as it was:
// written beside it, then renamed over it. Where the folder takes no new file but the file
// itself is writable, writes in place unless that is refused (readers that do not lock could
// see it half written). Returns the empty text on success, else the reason.
std::string replaceFile(const std::string& requested, const std::string& bytes,
                        InPlace inPlace = InPlace::allowed);

}  // namespace zerlin::files
