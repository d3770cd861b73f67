#include "status/server_status.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

#include "bookmarks/codepage.h"

namespace zerlin::status {

namespace {

// Player and team numbers above this are not read: a reply holds far fewer.
constexpr int kMaxIndex = 1024;

std::string decodeText(std::string_view bytes) {
    std::string text = codepage::windows1252ToUtf8(bytes);
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return text;
}

// A decimal number, with a sign; 0 for anything else.
int toNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// "playername_12" gives ("playername", 12); a key without a number gives (key, -1).
std::pair<std::string_view, int> splitIndex(std::string_view key) {
    const std::size_t underscore = key.rfind('_');
    if (underscore == std::string_view::npos || underscore + 1 == key.size()) {
        return {key, -1};
    }
    const std::string_view digits = key.substr(underscore + 1);
    int index = -1;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || end != digits.data() + digits.size() || index < 0 ||
        index > kMaxIndex) {
        return {key, -1};
    }
    return {key.substr(0, underscore), index};
}

}  // namespace

std::string ServerStatus::teamName(int team) const {
    if (team < 1 || static_cast<std::size_t>(team) > teamNames.size()) {
        return {};
    }
    return teamNames[static_cast<std::size_t>(team - 1)];
}

ServerStatus parseServerStatus(const std::vector<std::pair<std::string, std::string>>& pairs) {
    ServerStatus status;
    std::optional<int> numPlayers;
    std::map<int, PlayerStatus> players;
    std::map<int, std::string> teams;
    for (const auto& [key, value] : pairs) {
        const auto [base, index] = splitIndex(key);
        if (index >= 0) {
            if (base == "teamname") {
                teams[index] = decodeText(value);
                continue;
            }
            PlayerStatus* player = nullptr;
            if (base == "playername" || base == "score" || base == "kills" || base == "deaths" ||
                base == "ping" || base == "team") {
                player = &players[index];
            }
            if (base == "playername") {
                player->name = decodeText(value);
            } else if (base == "score") {
                player->score = toNumber(value);
            } else if (base == "kills") {
                player->kills = toNumber(value);
            } else if (base == "deaths") {
                player->deaths = toNumber(value);
            } else if (base == "ping") {
                player->ping = toNumber(value);
            } else if (base == "team") {
                player->team = toNumber(value);
            }
            continue;  // keyhash_N and anything else per player is not kept
        }
        if (key == "hostname") {
            status.hostName = decodeText(value);
        } else if (key == "hostport") {
            status.hostPort = toNumber(value);
        } else if (key == "mapname") {
            status.mapName = decodeText(value);
        } else if (key == "gametype") {
            status.gameType = decodeText(value);
        } else if (key == "gamever") {
            status.gameVersion = decodeText(value);
        } else if (key == "version") {
            status.version = decodeText(value);
        } else if (key == "numplayers") {
            numPlayers = toNumber(value);
        } else if (key == "maxplayers") {
            status.maxPlayers = toNumber(value);
        } else if (key == "password") {
            status.password = toNumber(value) != 0;
        } else if (key == "reservedslots") {
            status.reservedSlots = toNumber(value);
        } else if (key == "roundTime") {
            status.roundTime = toNumber(value);
        } else if (key == "roundTimeRemain") {
            status.roundTimeRemain = toNumber(value);
        } else if (key == "tickets1") {
            status.tickets1 = toNumber(value);
        } else if (key == "tickets2") {
            status.tickets2 = toNumber(value);
        } else if (key == "sv_punkbuster") {
            status.punkBuster = toNumber(value) != 0;
        } else if (key == "active_mods") {
            status.activeMods = decodeText(value);
        } else if (key == "dedicated") {
            status.dedicated = toNumber(value) != 0;
        }
    }
    // Entries of players who left stay in the reply after the first numplayers.
    status.numPlayers = numPlayers ? std::max(*numPlayers, 0) : static_cast<int>(players.size());
    for (auto& [index, player] : players) {
        if (index < status.numPlayers) {
            status.players.push_back(std::move(player));
        }
    }
    // Team names are numbered from 0; a gap keeps its place with an empty name.
    for (const auto& [index, name] : teams) {
        if (static_cast<std::size_t>(index) >= status.teamNames.size()) {
            status.teamNames.resize(static_cast<std::size_t>(index) + 1);
        }
        status.teamNames[static_cast<std::size_t>(index)] = name;
    }
    return status;
}

}  // namespace zerlin::status
