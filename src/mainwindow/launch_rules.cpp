#include "mainwindow/launch_rules.h"

#include <algorithm>
#include <string_view>

#include "text/utf8.h"

namespace zerlin::launch {

namespace {

bool isSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// Whether Windows takes a name; the failure completes "it ...".
Status checkName(const std::string& name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return Failure{"holds a control character"};
        }
        if (std::string_view("<>:\"|?*\\").find(c) != std::string_view::npos) {
            return Failure{std::string("holds \"").append(1, c).append("\"")};
        }
    }
    if (name.empty() || name == "." || name == "..") {
        return {};
    }
    if (name.back() == '.') {
        return Failure{"ends in a dot"};
    }
    if (name.back() == ' ') {
        return Failure{"ends in a space"};
    }
    return {};
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
    return gamePath.compare(utf8::characterSize(gamePath, 0), 2, ":\\") == 0;
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

std::string scriptBytes(const std::string& ip, const std::string& port,
                        const std::string& modFolder) {
    const std::string game = modFolder.empty() ? std::string() : "+game " + modFolder + " ";
    return "BF1942.exe +restart 1 " + game + "+joinServer " + ip + ":" + port +
           " +isInternet 1\r\nexit\r\n";
}

Status checkFolderName(const std::string& folder, PathStyle style) {
    if (style != PathStyle::Posix) {
        return {};
    }
    std::size_t begin = 0;
    while (begin < folder.size()) {
        std::size_t end = folder.find('/', begin);
        if (end == std::string::npos) {
            end = folder.size();
        }
        if (const Status name = checkName(folder.substr(begin, end - begin)); !name) {
            return Failure{"The folder \"" + folder.substr(0, end) +
                           "\" has a name that Windows doesn't allow: it " + name.error() + "."};
        }
        begin = end + 1;
    }
    return {};
}

std::string gameFolder(const std::string& gamePath, PathStyle style) {
    for (std::size_t i = gamePath.size(); i > 0; --i) {
        if (isSeparator(gamePath[i - 1], style)) {
            return gamePath.substr(0, i);
        }
    }
    return {};
}

}  // namespace zerlin::launch
