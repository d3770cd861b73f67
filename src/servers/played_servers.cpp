#include "servers/played_servers.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>
#include <utility>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/user_folders.h"
#include "status/host.h"
#include "text/ascii.h"

namespace zerlin::servers {

namespace fs = std::filesystem;

namespace {

constexpr int kFormat = 1;
// Far more than 50 entries take, long names and all.
constexpr std::size_t kMaxBytes = std::size_t{1024} * 1024;
// How long a change waits for another running copy that holds the lock.
constexpr auto kLockPatience = std::chrono::seconds(3);

std::optional<std::uint16_t> portOf(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number_integer()) {
        return std::nullopt;
    }
    const auto value = found->get<long long>();
    if (value < 1 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

std::string textOf(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

std::optional<PlayedServer> readEntry(const nlohmann::json& entry) {
    if (!entry.is_object()) {
        return std::nullopt;
    }
    PlayedServer server;
    server.ip = std::string(text::trimmed(textOf(entry, "ip")));
    const std::optional<std::uint16_t> port = portOf(entry, "port");
    const auto time = entry.find("time");
    if (server.ip.empty() || !port || time == entry.end() || !time->is_number_integer()) {
        return std::nullopt;
    }
    server.port = *port;
    server.time = static_cast<std::time_t>(time->get<long long>());
    server.queryPort = portOf(entry, "queryPort");
    server.name = textOf(entry, "name");
    server.mod = textOf(entry, "mod");
    return server;
}

Failure failed(const std::string& path, const std::string& why) {
    return Failure{path + ": " + why};
}

}  // namespace

std::string playedKey(std::string_view ip, std::uint16_t port) {
    return text::toLowerAscii(text::trimmed(ip)) + ":" + std::to_string(port);
}

void addJoin(std::vector<PlayedServer>& played, PlayedServer joined) {
    joined.ip = std::string(text::trimmed(joined.ip));
    const std::string key = playedKey(joined.ip, joined.port);
    const auto earlier = std::find_if(played.begin(), played.end(), [&](const PlayedServer& s) {
        return playedKey(s.ip, s.port) == key;
    });
    if (earlier != played.end()) {
        // What was known at an earlier join (a link's join knows only the address) stays.
        if (joined.name.empty()) {
            joined.name = earlier->name;
        }
        if (!joined.queryPort) {
            joined.queryPort = earlier->queryPort;
        }
        played.erase(earlier);
    }
    played.insert(played.begin(), std::move(joined));
    if (played.size() > kMaxPlayed) {
        played.resize(kMaxPlayed);
    }
}

bool removePlayed(std::vector<PlayedServer>& played, std::string_view ip, std::uint16_t port) {
    const std::string key = playedKey(ip, port);
    const auto gone = std::remove_if(played.begin(), played.end(), [&](const PlayedServer& s) {
        return playedKey(s.ip, s.port) == key;
    });
    const bool found = gone != played.end();
    played.erase(gone, played.end());
    return found;
}

std::optional<PlayedServer> playedJoin(std::string_view ip, std::string_view port,
                                       const JoinFacts& facts, std::time_t now) {
    const std::optional<std::uint16_t> number = status::parsePort(text::trimmed(port));
    PlayedServer server;
    server.ip = std::string(text::trimmed(ip));
    if (!number || server.ip.empty()) {
        return std::nullopt;
    }
    server.port = *number;
    server.queryPort = facts.listedQueryPort;
    for (const std::string* name : {&facts.answeredName, &facts.listedName, &facts.bookmarkName}) {
        if (!text::trimmed(*name).empty()) {
            server.name = *name;
            break;
        }
    }
    server.mod = facts.mod;
    server.time = now;
    return server;
}

std::string encodePlayed(const std::vector<PlayedServer>& played) {
    nlohmann::json servers = nlohmann::json::array();
    for (const PlayedServer& server : played) {
        nlohmann::json entry = {{"ip", server.ip},
                                {"port", server.port},
                                {"time", static_cast<long long>(server.time)}};
        if (server.queryPort) {
            entry["queryPort"] = *server.queryPort;
        }
        if (!server.name.empty()) {
            entry["name"] = server.name;
        }
        if (!server.mod.empty()) {
            entry["mod"] = server.mod;
        }
        servers.push_back(std::move(entry));
    }
    const nlohmann::json file = {{"format", kFormat}, {"servers", std::move(servers)}};
    // A name that is no UTF-8 (none should reach here) is written with replacement characters
    // rather than lose the whole list.
    return file.dump(1, '\t', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<std::vector<PlayedServer>> decodePlayed(std::string_view text) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return std::nullopt;
    }
    const auto format = json.find("format");
    const auto servers = json.find("servers");
    if (format == json.end() || *format != kFormat || servers == json.end() ||
        !servers->is_array()) {
        return std::nullopt;
    }
    std::vector<PlayedServer> played;
    for (const nlohmann::json& entry : *servers) {
        std::optional<PlayedServer> server = readEntry(entry);
        if (!server) {
            continue;
        }
        // A file edited by hand may name a server twice: its first entry is its last join.
        const std::string key = playedKey(server->ip, server->port);
        if (std::none_of(played.begin(), played.end(),
                         [&](const PlayedServer& s) { return playedKey(s.ip, s.port) == key; })) {
            played.push_back(std::move(*server));
        }
        if (played.size() == kMaxPlayed) {
            break;
        }
    }
    return played;
}

std::string playedPath(const std::string& programName) {
    const std::string folder = folders::state();
    if (folder.empty()) {
        return {};
    }
    const std::string name = programName.empty() ? "zerlin" : programName;
    return fromPath((toPath(folder) / toPath(name) / "played.json").lexically_normal());
}

PlayedServers::PlayedServers(std::string path, Tell tell)
    : path_(std::move(path)), tell_(std::move(tell)) {}

std::vector<PlayedServer> PlayedServers::load() const {
    if (path_.empty()) {
        return {};
    }
    const Result<std::string> text = files::readRegularFile(path_, kMaxBytes);
    if (!text) {
        return {};
    }
    return decodePlayed(text.value()).value_or(std::vector<PlayedServer>());
}

Status PlayedServers::record(PlayedServer joined) {
    return reported(
        change([&](std::vector<PlayedServer>& played) { addJoin(played, std::move(joined)); }));
}

Status PlayedServers::forget(const std::string& ip, std::uint16_t port) {
    return reported(
        change([&](std::vector<PlayedServer>& played) { removePlayed(played, ip, port); }));
}

Status PlayedServers::change(const std::function<void(std::vector<PlayedServer>&)>& edit) {
    if (path_.empty()) {
        return Failure{"the user's state folder is not known"};
    }
    const fs::path path = toPath(path_);
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        return failed(fromPath(path.parent_path()), error.message());
    }
    // Held for the reading, editing and replacing, so that two copies joining at once both
    // count. Without it (no permission, a hung copy) the change still goes ahead.
    const files::FileLock lock(path_ + ".writelock", kLockPatience);

    std::vector<PlayedServer> played;
    const fs::file_type type = fs::symlink_status(path, error).type();
    if (type == fs::file_type::directory) {
        return failed(path_, "It is a folder.");
    }
    if (type != fs::file_type::not_found && type != fs::file_type::regular &&
        type != fs::file_type::symlink) {
        return failed(path_, "It is not a regular file.");
    }
    if (type != fs::file_type::not_found) {
        const Result<std::string> text = files::readRegularFile(path_, kMaxBytes);
        std::optional<std::vector<PlayedServer>> read;
        if (text) {
            read = decodePlayed(text.value());
        }
        if (read) {
            played = std::move(*read);
        } else if (type == fs::file_type::regular) {
            // Kept for whoever wants to look at it; the list starts anew. A link that leads
            // nowhere readable is simply replaced.
            fs::rename(path, toPath(path_ + ".corrupt"), error);
            if (error) {
                return failed(path_ + ".corrupt", error.message());
            }
        }
    }
    edit(played);
    const Status written = files::replaceFile(path_, encodePlayed(played), files::InPlace::refused,
                                              files::Links::replaced);
    if (!written) {
        return failed(path_, written.error());
    }
    return {};
}

Status PlayedServers::reported(Status status) {
    if (!status && !told_) {
        told_ = true;
        if (tell_) {
            tell_(notice + status.error());
        }
    }
    return status;
}

}  // namespace zerlin::servers
