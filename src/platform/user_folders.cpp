#include "platform/user_folders.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace zerlin::folders {

namespace {

bool absolute(const char* path) {
#ifdef _WIN32
    return path != nullptr && path[0] != '\0' && path[1] == ':' &&
           (path[2] == '\\' || path[2] == '/');
#else
    return path != nullptr && path[0] == '/';
#endif
}

std::string fromPasswordDatabase() {
#ifdef _WIN32
    return {};
#else
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 4096));
    for (int tries = 0; tries < 8; ++tries) {
        struct passwd entry {};
        struct passwd* found = nullptr;
        const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr || !absolute(found->pw_dir)) {
            return {};
        }
        return found->pw_dir;
    }
    return {};
#endif
}

}  // namespace

std::string home() {
#ifdef _WIN32
    const char* home = std::getenv("USERPROFILE");
#else
    const char* home = std::getenv("HOME");
#endif
    return absolute(home) ? std::string(home) : fromPasswordDatabase();
}

std::string config() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); absolute(xdg)) {
        return xdg;
    }
    const std::string base = home();
    if (base.empty()) {
        return {};
    }
    return base + (base.back() == '/' ? ".config" : "/.config");
}

std::string cache() {
#ifdef _WIN32
    if (const char* local = std::getenv("LOCALAPPDATA"); absolute(local)) {
        return local;
    }
#endif
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); absolute(xdg)) {
        return xdg;
    }
    const std::string base = home();
    if (base.empty()) {
        return {};
    }
    return base + (base.back() == '/' ? ".cache" : "/.cache");
}

std::string state() {
#ifdef _WIN32
    if (const char* local = std::getenv("LOCALAPPDATA"); absolute(local)) {
        return local;
    }
#endif
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); absolute(xdg)) {
        return xdg;
    }
    const std::string base = home();
    if (base.empty()) {
        return {};
    }
    return base + (base.back() == '/' ? ".local/state" : "/.local/state");
}

}  // namespace zerlin::folders
