#include "mainwindow/launch_rules.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace zerlin::launch {
namespace fs = std::filesystem;

namespace {

fs::path toPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string fromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool isSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// Writes the whole text, or removes what it began: a half-written script must not run.
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

bool gamePathLooksRight(const std::string& gamePath, PathStyle style) {
    if (style == PathStyle::Posix) {
        return !gamePath.empty() && gamePath.front() == '/';
    }
    if (gamePath.empty()) {
        return false;
    }
    // The first character may take several bytes.
    std::size_t second = 1;
    while (second < gamePath.size() &&
           (static_cast<unsigned char>(gamePath[second]) & 0xC0) == 0x80) {
        ++second;
    }
    return gamePath.compare(second, 2, ":\\") == 0;
}

bool isAllowedServerText(const std::string& text) {
    if (text.size() > maxServerTextLength) {
        return false;
    }
    return std::ranges::all_of(text, [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == ' ' || c == '.' || c == '-' || c == '_' || c == '/' || c == ':' || c == '[' ||
               c == ']';
    });
}

std::string scriptBytes(const std::string& ip, const std::string& port) {
    return "BF1942.exe +restart 1 +joinServer " + ip + ":" + port + " +isInternet 1\r\nexit\r\n";
}

std::string gameFolder(const std::string& gamePath, PathStyle style) {
    for (std::size_t i = gamePath.size(); i > 0; --i) {
        if (isSeparator(gamePath[i - 1], style)) {
            return gamePath.substr(0, i);
        }
    }
    return {};
}

WrittenScript writeScript(const std::string& folder, const std::string& tempFolder,
                          const std::string& bytes) {
    const fs::path inGameFolder = toPath(folder + scriptName);
    if (std::FILE* file = openFile(inGameFolder, "wb")) {
        if (writeWhole(file, bytes, inGameFolder)) {
            return {fromPath(inGameFolder), {}};
        }
    }

    if (!tempFolder.empty()) {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 16; ++attempt) {
            char name[40];
            std::snprintf(name, sizeof name, "zerlin-run-%016llx.bat",
                          static_cast<unsigned long long>(random()));
            const fs::path candidate = toPath(tempFolder) / name;
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
                return {fromPath(candidate), {}};
            }
            break;
        }
    }
    std::string error = std::string(scriptName) + " couldn't be written in " + folder;
    if (!tempFolder.empty()) {
        error += " nor in " + tempFolder;
    }
    return {{}, error + "."};
}

std::string temporaryFolder() {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    return error ? std::string() : fromPath(folder);
}

std::string findWinePrefix(const std::string& gamePath) {
    std::error_code error;
    fs::path folder = toPath(gamePath).parent_path();
    while (!folder.empty()) {
        if (fs::is_directory(folder / "drive_c", error) &&
            fs::exists(folder / "system.reg", error)) {
            return fromPath(folder);
        }
        if (folder == folder.root_path() || folder.parent_path() == folder) {
            break;
        }
        folder = folder.parent_path();
    }
    return {};
}

}  // namespace zerlin::launch
