#include "settings/ini_file_settings.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/user_folders.h"
#include "settings/ini_document.h"

namespace zerlin {

namespace {

namespace fs = std::filesystem;

// Far more than any settings file holds, long comments and all; a larger file is not read at all.
constexpr std::size_t kMaxBytes = std::size_t{16} * 1024 * 1024;
// How long a write waits for another running copy that holds the lock. A copy that hangs while
// holding it must not hang this one too.
constexpr auto kLockPatience = std::chrono::seconds(3);
constexpr int kMaxCopies = 100;

bool nameTaken(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(toPath(path), error);
    return status.type() != fs::file_type::not_found;
}

// A name that holds nothing to read yet: no file at all, or a link (a chain of them too) to a
// name that does not exist, which the write then creates as bookmark files do.
bool nothingThere(const std::string& path) {
    std::error_code error;
    return fs::status(toPath(path), error).type() == fs::file_type::not_found;
}

// Keeps a file with lines the store cannot read, or bytes that are not UTF-8, beside itself
// before its first rewrite: `.corrupt`, else `.corrupt.1` and on, never overwriting an earlier
// copy. A copy that already holds every such line (this file's earlier self) is enough.
bool keepCopy(const std::string& path, const std::string& bytes, const IniDocument& document) {
    const std::vector<std::string> bad = document.badLines();
    for (int n = 0; n < kMaxCopies; ++n) {
        std::string copy = path + ".corrupt";
        if (n > 0) {
            copy += '.';
            copy += std::to_string(n);
        }
        const Result<std::string> earlier = files::readRegularFile(copy, kMaxBytes);
        if (earlier) {
            if (earlier.value() == bytes) {
                return true;
            }
            const std::vector<std::string> kept = IniDocument(earlier.value()).badLines();
            if (std::all_of(bad.begin(), bad.end(), [&](const std::string& line) {
                    return std::find(kept.begin(), kept.end(), line) != kept.end();
                })) {
                return true;
            }
            continue;
        }
        if (!nameTaken(copy)) {
            return files::replaceFile(copy, bytes, files::InPlace::refused).ok();
        }
    }
    return false;
}

}  // namespace

IniFileSettings::IniFileSettings(std::string path) : path_(std::move(path)) {}

std::string IniFileSettings::filePath(const std::string& applicationName) {
    const std::string folder = folders::config();
    if (folder.empty()) {
        return {};
    }
    // An empty name would put the file straight into the shared configuration folder.
    const std::string name = applicationName.empty() ? "zerlin" : applicationName;
    return fromPath((toPath(folder) / toPath(name) / "settings.ini").lexically_normal());
}

std::string IniFileSettings::read(const std::string& section, const std::string& key) {
    return find(section, key).value_or(std::string());
}

std::optional<std::string> IniFileSettings::find(const std::string& section,
                                                 const std::string& key) {
    if (path_.empty() || key.empty()) {
        return std::nullopt;
    }
    const Result<std::string> file = files::readRegularFile(path_, kMaxBytes);
    if (!file) {
        return std::nullopt;
    }
    return IniDocument(file.value()).value(section, key);
}

Status IniFileSettings::write(const std::string& section, const std::string& key,
                              const std::string& value) {
    return write(section, SettingsEntries{{key, value}});
}

Status IniFileSettings::write(const std::string& section, const SettingsEntries& entries) {
    if (std::all_of(entries.begin(), entries.end(),
                    [](const auto& entry) { return entry.first.empty(); })) {
        return {};
    }
    if (path_.empty()) {
        return Failure{"the user's configuration folder is not known"};
    }
    std::error_code error;
    fs::create_directories(toPath(path_).parent_path(), error);
    if (error) {
        return Failure{error.message()};
    }
    // Held for the reading, editing and replacing. Without it (no permission, a hung copy) the
    // write still goes ahead.
    const files::FileLock lock(path_ + ".writelock", kLockPatience);

    std::string before;
    if (const Result<std::string> file = files::readRegularFile(path_, kMaxBytes); file) {
        before = file.value();
    } else if (!nothingThere(path_)) {
        // A file that cannot be read would be replaced by these entries alone.
        return Failure{path_ + ": " + file.error()};
    }
    IniDocument document(before);
    if (document.garbled() && !keepCopy(path_, before, document)) {
        return Failure{"no copy of its unreadable lines could be kept beside " + path_};
    }
    for (const auto& [key, value] : entries) {
        document.set(section, key, value);
    }
    const std::string after = document.text();
    if (after == before) {
        return {};
    }
    if (const Status replaced = files::replaceFile(path_, after, files::InPlace::refused);
        !replaced) {
        return Failure{path_ + ": " + replaced.error()};
    }
    return {};
}

}  // namespace zerlin
