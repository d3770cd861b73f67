#include "servers/kept_list.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/user_folders.h"
#include "servers/list_walk.h"
#include "servers/server_json.h"
#include "servers/server_reader.h"

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
    // Loopback servers only when the file said so before them, as it is written.
    const auto fromLoopback = [](const nlohmann::json& fields) {
        const auto loopback = fields.find("fromLoopback");
        return loopback != fields.end() && loopback->is_boolean() && loopback->get<bool>();
    };
    ReadLimits limits;
    limits.maxServers = kMaxServers;
    // A whole list of full servers holds many more values than a page; the file's size bounds it.
    limits.maxValues = text.size();
    Result<ServerDocument> read = readServerDocument(text, limits, fromLoopback);
    if (!read) {
        return std::nullopt;
    }
    const nlohmann::json& fields = read.value().fields;
    const auto format = fields.find("format");
    const auto time = fields.find("time");
    if (format == fields.end() || *format != kFormat || time == fields.end() ||
        !time->is_number_integer()) {
        return std::nullopt;
    }
    KeptList list;
    list.time = static_cast<std::time_t>(time->get<long long>());
    list.fromLoopback = fromLoopback(fields);
    list.servers = std::move(read.value().servers);
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
