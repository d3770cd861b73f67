#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "mods/installed_mods.h"
#include "status/status_service.h"

// How a server's state is told: the mark the list draws, the one-line description for
// assistive technology and the tooltip's plain text.
namespace zerlin::status {

enum class Indicator {
    None,      // never asked
    Asking,    // asked, no result yet
    Up,        // answered, with room
    Full,      // answered, players at or above the maximum (reserved slots not counted)
    NoAnswer,  // the last query got no answer (or the row names no usable server)
};

Indicator indicatorOf(const ServerState& state);

// What a server sends is shown within bounds, whatever it sends: each text at most this many
// characters, each team's list of players at most this many, and at most this many teams.
inline constexpr std::size_t kMaxShownCharacters = 64;
inline constexpr std::size_t kMaxPlayersShownPerTeam = 32;
inline constexpr std::size_t kMaxTeamsShown = 4;

// The text, or its first characters and "…" where it is longer than `characters` (whole
// UTF-8 characters, never part of one).
std::string shortened(std::string_view text, std::size_t characters = kMaxShownCharacters);

// The text of several lines with each line shortened to `columns` characters and at most
// `rows` lines, the last of them "…" where lines were left out: a tooltip that fits the
// screen.
std::string fitLines(std::string_view text, std::size_t columns, std::size_t rows);

// The players and the maximum, "23/64" (only "23" when the server gives no maximum).
std::string players(const ServerStatus& status);

// "23/64 players, wake, 48 ms" (the map and its comma left out when the map is empty,
// ", password" added when the server has one), "no answer", "asking", or the empty text for
// a server never asked.
std::string describe(const ServerState& state);

// The details as plain text of several lines: server name, map and game type, players and
// maximum with reserved slots, password, PunkBuster, mod, version, round time left, tickets,
// ping, then each team's players by score (name, score, kills, deaths, ping). Server texts are
// as sent but shortened, and the players and teams listed are bounded (the rest counted as
// "and N more"): whoever shows it must show it as plain text, never as markup.
// afterName, when not empty, is a line put right after the server's name: what must stay when
// a tooltip is cut to fit. With the mods installed, the mod's line names it as they do
// ("Mod: Desert Combat 0.7 (DC_Final)").
std::string tooltipText(const ServerState& state, std::string_view afterName = {},
                        const mods::ModTable* installed = nullptr);

}  // namespace zerlin::status
