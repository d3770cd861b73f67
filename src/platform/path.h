#pragma once

#include <filesystem>
#include <string>

// The one crossing between the program's UTF-8 path texts and the file system's paths (wide
// on Windows, bytes elsewhere).
namespace zerlin {

inline std::filesystem::path toPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string fromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace zerlin
