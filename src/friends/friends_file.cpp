#include "friends/friends_file.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/path.h"
#include "text/code_page.h"

namespace zerlin::friends {

namespace {

// Thousands of names; a larger file is no list of friends.
constexpr std::size_t kMaxBytes = std::size_t{256} * 1024;

}  // namespace

std::string friendsFilePath(const std::string& settingsPath) {
    if (settingsPath.empty()) {
        return {};
    }
    return fromPath(toPath(settingsPath).parent_path() / "friends.txt");
}

Result<std::string> readFriendsFile(const std::string& path) {
    std::error_code error;
    // A dangling link counts as no file, as writing through it makes the file it names.
    if (!path.empty() && !std::filesystem::exists(toPath(path), error) && !error) {
        return std::string();
    }
    const Result<std::string> bytes = files::readRegularFile(path, kMaxBytes);
    if (!bytes) {
        return Failure{bytes.error()};
    }
    return text::decodeFileText(bytes.value());
}

Status writeFriendsFile(const std::string& path, std::string text) {
    if (path.empty()) {
        return Failure{"No folder for the settings is known."};
    }
    std::error_code error;
    std::filesystem::create_directories(toPath(path).parent_path(), error);
    if (error) {
        return Failure{error.message()};
    }
    if (!text.empty() && text.back() != '\n') {
        text += '\n';
    }
    return files::replaceFile(path, text);
}

}  // namespace zerlin::friends
