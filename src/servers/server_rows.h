#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "mods/installed_mods.h"
#include "servers/listed_server.h"
#include "status/status_service.h"

// The rows of the Servers window: what the list said merged with Zerlin's own status answer,
// how they are filtered, sorted and summed up.
namespace zerlin::servers {

// LastPlayed is shown only while the window lists the servers played recently.
enum class Column { Server, Players, Map, GameType, Mod, Ping, Address, LastPlayed };
inline constexpr int kColumns = 8;

enum class Ping {
    None,      // not asked (yet)
    Asking,    // asked, no result yet
    Answered,  // pingMs holds the time
    NoAnswer,
};

// Why a row is not pinged (see planPings).
enum class NotPinged {
    No,
    LowQueryPort,    // a query port below 1024
    CrowdedAddress,  // more servers of its address than are asked
};

struct ServerRow {
    ListedServer listed;        // as the list said it: what is kept between runs
    status::ServerStatus info;  // the list's, or the fresher status answer where there is one
    Ping ping = Ping::None;
    int pingMs = 0;
    NotPinged notPinged = NotPinged::No;  // then ping stays None
    bool bookmarked = false;
    std::optional<std::time_t> lastPlayed;  // a server played recently: its last join
    std::string search;                     // the texts the filter looks in, through text::foldCase
    // The name, map, game type and mod through text::foldCase, made once for the sorting.
    std::string foldedName, foldedMap, foldedGameType, foldedMod;

    explicit ServerRow(ListedServer server);
};

// Merges a status answer into the row: the answer's players, map and the rest, with the list's
// texts where the answer has none; while the first answer is awaited, the row says it asks.
void mergeState(ServerRow& row, const status::ServerState& state);

struct Filter {
    std::string text;  // kept where the server name, map, mod or a player's name holds it
    bool hideEmpty = false;
    bool hideFull = false;
    bool hidePassword = false;
    int maxPing = 0;  // 0 = any; otherwise a server that answered slower, not at all or was
                      // not pinged goes
    bool installedModsOnly = false;
    // The mods installed: the text is looked for in their names too, and installedModsOnly
    // hides the servers whose mod is none of them. None: mods are not looked at.
    const mods::ModTable* mods = nullptr;
    bool friendsOnly = false;  // only the servers where a friend plays
};

// Whether the row is shown; foldedText is text::foldCase(filter.text), made once for all rows:
// letter case counts for nothing, as in the friends' names. friendsPlaying: whether a friend
// plays on the row's server.
bool passes(const ServerRow& row, const Filter& filter, std::string_view foldedText,
            bool friendsPlaying = false);

bool isFull(const status::ServerStatus& info);

// Whether a sorts before b by the column: numbers as numbers, players then their maximum,
// pings with those still asked, those without answer and those not asked last, addresses by their
// numbers. Rows that tie keep their order.
bool lessThan(const ServerRow& a, const ServerRow& b, Column column);

// The cell's text: "23/64", "48 ms", "" while asking, "no answer", "not pinged", "IP:port"; the
// mod's name where it is installed, else its id.
std::string cellText(const ServerRow& row, Column column, const mods::ModTable* mods = nullptr);

// The details pane's plain text: what a bookmark's tooltip tells of its server, the ping as
// the row has it ("asking", "no answer"), or why it is not pinged.
std::string detailsText(const ServerRow& row, const mods::ModTable* mods = nullptr);

// The status line's texts.
std::string gettingLine();
// "1 server, 2 players": each count with its noun in the singular or the plural.
std::string summaryLine(std::size_t servers, long long players);
// keptTime: when the list shown was got, if one is shown.
std::string failureLine(const std::time_t* keptTime);
// "HH:MM" in local time.
std::string clockTime(std::time_t time);
// When a server was last played: "HH:MM" on the day of now, else "YYYY-MM-DD" (local time).
std::string playedTimeText(std::time_t played, std::time_t now);

}  // namespace zerlin::servers
