#include "platform/files.h"

#include <filesystem>
#include <system_error>

#include "platform/files_detail.h"
#include "platform/path.h"

namespace zerlin::files {
namespace fs = std::filesystem;

namespace detail {

namespace {

std::string sizeText(std::size_t bytes) {
    constexpr std::size_t kMiB = std::size_t{1024} * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0) {
        return std::to_string(bytes / kMiB) + " MiB";
    }
    return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string tooLarge(std::size_t maxBytes) {
    return "The file is larger than " + sizeText(maxBytes) + ".";
}

std::string folderOf(const std::string& path, const char* separators) {
    const auto slash = path.find_last_of(separators);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string baseOf(const std::string& path, const char* separators) {
    const auto slash = path.find_last_of(separators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace detail

std::string temporaryFolder() {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    return error ? std::string() : fromPath(folder);
}

}  // namespace zerlin::files
