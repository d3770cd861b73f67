#include "servers/kept_list.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/user_folders.h"
#include "servers/list_walk.h"
#include "servers/server_json.h"

namespace zerlin::servers {

namespace {
constexpr int kFormat = 1;
}

std::string keptListPath(const std::string& programName) {
    const std::string folder = folders::cache();
    if (folder.empty()) {
        return {};
    }
    return folder + "/" + programName + "/servers.json";
}

std::string encodeKeptList(const KeptList& list) {
    std::vector<const ListedServer*> servers;
    servers.reserve(list.servers.size());
    for (const ListedServer& server : list.servers) {
        servers.push_back(&server);
    }
    return encodeKeptList(list.time, list.fromLoopback, servers);
}

std::string encodeKeptList(std::time_t time, bool fromLoopback,
                           const std::vector<const ListedServer*>& servers) {
    const nlohmann::json head = {{"format", kFormat},
                                 {"time", static_cast<long long>(time)},
                                 {"fromLoopback", fromLoopback}};
    std::string text = head.dump();
    text.pop_back();  // the closing brace: the servers follow
    text += ",\"servers\":[";
    for (std::size_t i = 0; i < servers.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        // A text that is no UTF-8 (none should reach here) is written with replacement
        // characters rather than lose the whole list.
        text +=
            serverJson(*servers[i]).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    return text + "]}";
}

std::optional<KeptList> decodeKeptList(std::string_view text) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return std::nullopt;
    }
    const auto format = json.find("format");
    const auto time = json.find("time");
    const auto servers = json.find("servers");
    if (format == json.end() || *format != kFormat || time == json.end() ||
        !time->is_number_integer() || servers == json.end() || !servers->is_array()) {
        return std::nullopt;
    }
    KeptList list;
    list.time = static_cast<std::time_t>(time->get<long long>());
    const auto loopback = json.find("fromLoopback");
    list.fromLoopback = loopback != json.end() && loopback->is_boolean() && loopback->get<bool>();
    for (const nlohmann::json& entry : *servers) {
        if (list.servers.size() >= kMaxServers) {
            break;
        }
        if (std::optional<ListedServer> server = readServer(entry, list.fromLoopback)) {
            list.servers.push_back(std::move(*server));
        }
    }
    return list;
}

Status saveKeptList(const std::string& path, const KeptList& list) {
    return saveKeptList(path, encodeKeptList(list));
}

Status saveKeptList(const std::string& path, const std::string& encoded) {
    if (path.empty()) {
        return Failure{"no cache folder"};
    }
    std::error_code error;
    std::filesystem::create_directories(toPath(path).parent_path(), error);
    // The program's own file: a link in its place is replaced, never written through.
    if (const Status saved =
            files::replaceFile(path, encoded, files::InPlace::refused, files::Links::replaced);
        !saved) {
        return Failure{path + ": " + saved.error()};
    }
    return {};
}

std::optional<KeptList> loadKeptList(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // Room for the largest list the rules let in, with its own spacing.
    const Result<std::string> text = files::readRegularFile(path, 2 * kMaxJsonBytes);
    if (!text) {
        return std::nullopt;
    }
    return decodeKeptList(text.value());
}

}  // namespace zerlin::servers
