#include "platform/files.h"

#include <cstdio>
#include <filesystem>
#include <random>
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

namespace {

// Writes the whole text, or removes what it began: a half-written file must not be used.
bool writeWhole(std::FILE* file, const std::string& bytes, const fs::path& path) {
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    return ok;
}

std::FILE* openFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace

Result<WrittenFile> writeNewOrReplace(const std::string& folder, const std::string& name,
                                      const std::string& fallbackFolder, const std::string& bytes) {
    const fs::path inFolder = toPath(folder + name);
    if (std::FILE* file = openFile(inFolder, "wb")) {
        if (writeWhole(file, bytes, inFolder)) {
            return WrittenFile{fromPath(inFolder), true};
        }
    }

    if (!fallbackFolder.empty()) {
        const std::string extension = fromPath(toPath(name).extension());
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 16; ++attempt) {
            char unique[40];
            std::snprintf(unique, sizeof unique, "zerlin-run-%016llx",
                          static_cast<unsigned long long>(random()));
            const fs::path candidate = toPath(fallbackFolder) / toPath(unique + extension);
            // "x": fails on any existing entry, a planted link included.
            std::FILE* file = openFile(candidate, "wbx");
            if (!file) {
                std::error_code error;
                if (fs::symlink_status(candidate, error).type() != fs::file_type::not_found) {
                    continue;  // taken: try another name
                }
                break;
            }
            if (writeWhole(file, bytes, candidate)) {
                return WrittenFile{fromPath(candidate), false};
            }
            break;
        }
    }
    std::string error = name + " couldn't be written in " + folder;
    if (!fallbackFolder.empty()) {
        error += " nor in " + fallbackFolder;
    }
    return Failure{error + "."};
}

std::string temporaryFolder() {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    return error ? std::string() : fromPath(folder);
}

}  // namespace zerlin::files
