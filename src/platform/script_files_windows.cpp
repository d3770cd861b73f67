#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "platform/path.h"
#include "platform/script_files.h"

// On Windows a script is a new file moved into place (a link named like it is replaced, not
// followed); a launcher rewrites its own scripts and deletes only those.
namespace zerlin::files {

namespace {

// Creates the file, which must not exist yet, and writes the bytes whole; false on a failure,
// with GetLastError() saying why.
bool createWhole(const std::filesystem::path& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) != 0;
        done += written;
    }
    ok = FlushFileBuffers(file) != 0 && ok;
    const DWORD error = GetLastError();
    ok = CloseHandle(file) != 0 && ok;
    if (!ok) {
        DeleteFileW(path.c_str());
        SetLastError(error);
    }
    return ok;
}

}  // namespace

struct ScriptFiles::Held {
    std::vector<std::string> scripts;

    bool holds(const std::string& path) const {
        return std::find(scripts.begin(), scripts.end(), path) != scripts.end();
    }
};

ScriptFiles::ScriptFiles() : held_(std::make_unique<Held>()) {}
ScriptFiles::~ScriptFiles() = default;

Result<WrittenScript> ScriptFiles::write(const std::string& folder, const std::string& name,
                                         const std::string& fallbackFolder,
                                         const std::string& bytes) {
    const std::string path = folder + name;
    const std::filesystem::path target = toPath(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path temp =
            toPath(folder + "." + name + "." + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(attempt) + ".tmp");
        if (!createWhole(temp, bytes)) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            break;
        }
        if (!MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(temp.c_str());
            break;
        }
        const bool pending = held_->holds(path);
        if (!pending) {
            held_->scripts.push_back(path);
        }
        return WrittenScript{path, true, pending, -1};
    }

    if (!fallbackFolder.empty()) {
        const std::string extension = fromPath(toPath(name).extension());
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 16; ++attempt) {
            char unique[40];
            std::snprintf(unique, sizeof unique, "zerlin-run-%016llx",
                          static_cast<unsigned long long>(random()));
            const std::filesystem::path candidate =
                toPath(fallbackFolder) / toPath(unique + extension);
            if (createWhole(candidate, bytes)) {
                held_->scripts.push_back(fromPath(candidate));
                return WrittenScript{fromPath(candidate), false, false, -1};
            }
            if (GetLastError() != ERROR_FILE_EXISTS) {
                break;
            }
        }
    }
    std::string error = name + " couldn't be written in " + folder;
    if (!fallbackFolder.empty()) {
        error += " nor in " + fallbackFolder;
    }
    return Failure{error + "."};
}

void ScriptFiles::remove(const std::string& path) {
    auto& scripts = held_->scripts;
    const auto it = std::find(scripts.begin(), scripts.end(), path);
    if (it == scripts.end()) {
        return;
    }
    DeleteFileW(toPath(path).c_str());
    scripts.erase(it);
}

}  // namespace zerlin::files
