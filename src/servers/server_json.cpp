#include "servers/server_json.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "servers/address_rules.h"
#include "status/host.h"
#include "text/server_text.h"
#include "text/utf8.h"

namespace zerlin::servers {

namespace {

using nlohmann::json;

const json* field(const json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::string text(const json& object, const char* key) {
    const json* value = field(object, key);
    return value && value->is_string() ? cleanText(value->get_ref<const std::string&>())
                                       : std::string();
}

std::optional<long long> integer(const json& object, const char* key) {
    const json* value = field(object, key);
    if (!value) {
        return std::nullopt;
    }
    if (value->is_number_integer()) {
        return value->get<long long>();
    }
    if (value->is_number_unsigned()) {
        const auto n = value->get<unsigned long long>();
        return n > static_cast<unsigned long long>(std::numeric_limits<long long>::max())
                   ? std::numeric_limits<long long>::max()
                   : static_cast<long long>(n);
    }
    if (value->is_number_float()) {
        const double d = value->get<double>();
        if (std::isfinite(d) && std::abs(d) < 1e15) {
            return static_cast<long long>(d);
        }
    }
    return std::nullopt;
}

// A count or score shown to the user: held to what an int holds.
std::optional<int> number(const json& object, const char* key) {
    const std::optional<long long> n = integer(object, key);
    if (!n) {
        return std::nullopt;
    }
    return static_cast<int>(std::clamp<long long>(*n, -1'000'000'000, 1'000'000'000));
}

bool flag(const json& object, const char* key) {
    const json* value = field(object, key);
    return value && value->is_boolean() && value->get<bool>();
}

std::optional<std::uint16_t> port(const json& object, const char* key) {
    const std::optional<long long> n = integer(object, key);
    if (!n || *n < 1 || *n > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*n);
}

// The teams, by their index, so that a player's team number finds its name whichever way the
// list counts them: the number each index has in the status's terms.
std::map<long long, int> readTeams(const json& object, status::ServerStatus& info) {
    std::map<long long, std::pair<std::string, std::optional<int>>> teams;
    if (const json* list = field(object, "teams"); list && list->is_array()) {
        for (const json& team : *list) {
            if (teams.size() >= 16) {
                break;
            }
            if (const std::optional<long long> index = integer(team, "index")) {
                teams[*index] = {text(team, "label"), number(team, "tickets")};
            }
        }
    }
    std::map<long long, int> teamNumber;
    for (const auto& [index, team] : teams) {
        info.teamNames.push_back(team.first);
        teamNumber[index] = static_cast<int>(info.teamNames.size());
    }
    if (!info.tickets1 && !teams.empty()) {
        info.tickets1 = teams.begin()->second.second;
    }
    if (!info.tickets2 && teams.size() > 1) {
        info.tickets2 = std::next(teams.begin())->second.second;
    }

    return teamNumber;
}

// The players, each with its team's number as readTeams() gave it.
void readPlayers(const json& object, const std::map<long long, int>& teamNumber,
                 status::ServerStatus& info) {
    if (const json* list = field(object, "players"); list && list->is_array()) {
        for (const json& entry : *list) {
            if (info.players.size() >= kMaxPlayersPerServer) {
                break;
            }
            if (!entry.is_object()) {
                continue;
            }
            status::PlayerStatus player;
            player.name = text(entry, "name");
            player.score = number(entry, "score").value_or(0);
            player.kills = number(entry, "kills").value_or(0);
            player.deaths = number(entry, "deaths").value_or(0);
            player.ping = number(entry, "ping").value_or(0);
            if (const std::optional<long long> team = integer(entry, "team")) {
                const auto found = teamNumber.find(*team);
                player.team = found == teamNumber.end() ? 0 : found->second;
            }
            info.players.push_back(std::move(player));
        }
    }
}

}  // namespace

std::string cleanText(std::string_view text) {
    return text::plainServerText(text.substr(0, utf8::offsetOf(text, kMaxTextLength)));
}

std::optional<ListedServer> readServer(const json& object, bool listFromLoopback) {
    if (!object.is_object()) {
        return std::nullopt;
    }
    const json* ip = field(object, "ip");
    const std::optional<net::IpAddress> address =
        ip && ip->is_string() ? status::parseIpv4(ip->get_ref<const std::string&>()) : std::nullopt;
    const std::optional<std::uint16_t> gamePort = port(object, "port");
    if (!address || !gamePort || !allowed(*address, listFromLoopback)) {
        return std::nullopt;
    }
    ListedServer server;
    server.ip = ip->get<std::string>();
    server.port = *gamePort;
    server.queryPort = port(object, "queryPort").value_or(status::kFirstQueryPort);
    status::ServerStatus& info = server.info;
    info.hostName = text(object, "name");
    info.hostPort = server.port;
    info.mapName = text(object, "mapName");
    info.gameType = text(object, "gameType");
    info.gameVersion = text(object, "gameVersion");
    info.activeMods = text(object, "gameId");
    info.password = flag(object, "password");
    info.maxPlayers = number(object, "maxPlayers");
    info.reservedSlots = std::max(0, number(object, "reservedSlots").value_or(0));
    info.roundTimeRemain = number(object, "roundTimeRemain");
    info.tickets1 = number(object, "tickets1");
    info.tickets2 = number(object, "tickets2");

    readPlayers(object, readTeams(object, info), info);
    info.numPlayers =
        std::max(0, number(object, "numPlayers").value_or(static_cast<int>(info.players.size())));
    return server;
}

std::optional<long long> integerField(const json& object, const char* key) {
    return integer(object, key);
}

json serverJson(const ListedServer& server) {
    const status::ServerStatus& info = server.info;
    json object = {{"ip", server.ip},
                   {"port", server.port},
                   {"queryPort", server.queryPort},
                   {"name", info.hostName},
                   {"numPlayers", info.numPlayers},
                   {"mapName", info.mapName},
                   {"password", info.password},
                   {"gameType", info.gameType},
                   {"gameVersion", info.gameVersion},
                   {"gameId", info.activeMods},
                   {"reservedSlots", info.reservedSlots}};
    const auto optional = [&object](const char* key, const std::optional<int>& value) {
        if (value) {
            object[key] = *value;
        }
    };
    optional("maxPlayers", info.maxPlayers);
    optional("roundTimeRemain", info.roundTimeRemain);
    optional("tickets1", info.tickets1);
    optional("tickets2", info.tickets2);
    json teams = json::array();
    for (std::size_t i = 0; i < info.teamNames.size(); ++i) {
        teams.push_back({{"index", i + 1}, {"label", info.teamNames[i]}});
    }
    object["teams"] = std::move(teams);
    json players = json::array();
    for (const status::PlayerStatus& player : info.players) {
        players.push_back({{"name", player.name},
                           {"score", player.score},
                           {"kills", player.kills},
                           {"deaths", player.deaths},
                           {"ping", player.ping},
                           {"team", player.team}});
    }
    object["players"] = std::move(players);
    return object;
}

}  // namespace zerlin::servers
