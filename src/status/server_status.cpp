#include "status/server_status.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <string_view>

#include "text/code_page.h"
#include "text/server_text.h"

namespace zerlin::status {

namespace {

// Player and team numbers above this are not read: a reply holds far fewer.
constexpr int kMaxIndex = 1024;

std::string decodeText(std::string_view bytes) {
    return text::plainServerText(text::windows1252ToUtf8(bytes));
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

namespace {

// Reads a per-player key; false for a key that is none.
bool readPlayerKey(PlayerStatus& player, std::string_view base, std::string_view value) {
    static constexpr std::array<std::pair<std::string_view, int PlayerStatus::*>, 5> kNumbers = {{
        {"score", &PlayerStatus::score},
        {"kills", &PlayerStatus::kills},
        {"deaths", &PlayerStatus::deaths},
        {"ping", &PlayerStatus::ping},
        {"team", &PlayerStatus::team},
    }};
    if (base == "playername") {
        player.name = decodeText(value);
        return true;
    }
    const auto* const found =
        std::find_if(kNumbers.begin(), kNumbers.end(),
                     [base](const auto& entry) { return entry.first == base; });
    if (found == kNumbers.end()) {
        return false;
    }
    player.*(found->second) = toNumber(value);
    return true;
}

void readServerKey(ServerStatus& status, std::string_view key, std::string_view value) {
    static constexpr std::array<std::pair<std::string_view, std::string ServerStatus::*>, 7>
        kTexts = {{
            {"hostname", &ServerStatus::hostName},
            {"mapname", &ServerStatus::mapName},
            {"gametype", &ServerStatus::gameType},
            {"gamever", &ServerStatus::gameVersion},
            {"version", &ServerStatus::version},
            {"active_mods", &ServerStatus::activeMods},
            {"gameId", &ServerStatus::gameId},
        }};
    static constexpr std::array<std::pair<std::string_view, std::optional<int> ServerStatus::*>, 6>
        kNumbers = {{
            {"hostport", &ServerStatus::hostPort},
            {"maxplayers", &ServerStatus::maxPlayers},
            {"roundTime", &ServerStatus::roundTime},
            {"roundTimeRemain", &ServerStatus::roundTimeRemain},
            {"tickets1", &ServerStatus::tickets1},
            {"tickets2", &ServerStatus::tickets2},
        }};
    static constexpr std::array<std::pair<std::string_view, bool ServerStatus::*>, 3> kFlags = {{
        {"password", &ServerStatus::password},
        {"sv_punkbuster", &ServerStatus::punkBuster},
        {"dedicated", &ServerStatus::dedicated},
    }};
    for (const auto& [name, member] : kTexts) {
        if (key == name) {
            status.*member = decodeText(value);
        }
    }
    for (const auto& [name, member] : kNumbers) {
        if (key == name) {
            status.*member = toNumber(value);
        }
    }
    for (const auto& [name, member] : kFlags) {
        if (key == name) {
            status.*member = toNumber(value) != 0;
        }
    }
    if (key == "reservedslots") {
        status.reservedSlots = toNumber(value);
    }
}

}  // namespace

ServerStatus parseServerStatus(const std::vector<std::pair<std::string, std::string>>& pairs) {
    ServerStatus status;
    std::optional<int> numPlayers;
    std::map<int, PlayerStatus> players;
    std::map<int, std::string> teams;
    for (const auto& [key, value] : pairs) {
        const auto [base, index] = splitIndex(key);
        if (index < 0) {
            if (key == "numplayers") {
                numPlayers = toNumber(value);
            } else {
                readServerKey(status, key, value);
            }
        } else if (base == "teamname") {
            teams[index] = decodeText(value);
        } else {
            // keyhash_N and anything else per player is not kept.
            PlayerStatus player;
            if (readPlayerKey(player, base, value)) {
                readPlayerKey(players[index], base, value);
            }
        }
    }
    // Entries of players who left stay in the reply after the first numplayers.
    status.numPlayers = numPlayers ? std::max(*numPlayers, 0) : static_cast<int>(players.size());
    for (auto& [index, player] : players) {
        if (index >= status.numPlayers || status.players.size() >= kMaxPlayersKept) {
            break;
        }
        status.players.push_back(std::move(player));
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
