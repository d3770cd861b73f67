#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a server's status reply says, its texts decoded to UTF-8.
namespace zerlin::status {

// The game's query port: a server's status answers there unless it was set otherwise.
inline constexpr std::uint16_t kFirstQueryPort = 23000;
// Where another server on the same host usually answers, when 23000 answers for another one.
inline constexpr std::uint16_t kLastQueryPort = 23009;

// The most players kept of one server: more than any server holds, few enough that a reply
// naming a thousand cannot make the list slow or big.
inline constexpr std::size_t kMaxPlayersKept = 256;

struct PlayerStatus {
    std::string name;
    int team = 0;  // 1 for the first team, as the server counts; 0 when not given
    int score = 0;
    int kills = 0;
    int deaths = 0;
    int ping = 0;
};

struct ServerStatus {
    std::string hostName;
    std::optional<int> hostPort;  // the game port; a value that is no number reads as 0
    std::string mapName;
    std::string gameType;
    std::string gameVersion;  // "gamever"
    std::string version;
    int numPlayers = 0;
    std::optional<int> maxPlayers;
    bool password = false;
    int reservedSlots = 0;
    std::optional<int> roundTime;        // seconds
    std::optional<int> roundTimeRemain;  // seconds
    std::optional<int> tickets1;
    std::optional<int> tickets2;
    bool punkBuster = false;
    std::string activeMods;
    std::string gameId;  // the mod as the game names it; the list's gameId goes in activeMods
    bool dedicated = false;
    // The players who are on the server (the first numplayers entries), by their number; at
    // most kMaxPlayersKept of them (numPlayers still says how many the server counts).
    std::vector<PlayerStatus> players;
    // The teams' names, the first team's first.
    std::vector<std::string> teamNames;

    // The name of a player's team (team counts from 1), or the empty text.
    std::string teamName(int team) const;
    // The server's mod: gameId, else active_mods.
    const std::string& mod() const { return gameId.empty() ? activeMods : gameId; }
};

// Reads the pairs of a whole reply. Texts are Windows-1252 on the wire; control characters in
// them become spaces, so that no server text can break a line. The hash of a player's CD key is
// not kept.
ServerStatus parseServerStatus(const std::vector<std::pair<std::string, std::string>>& pairs);

}  // namespace zerlin::status
