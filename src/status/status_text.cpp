#include "status/status_text.h"

#include <algorithm>
#include <map>
#include <vector>

#include "bookmarks/bookmark_entry.h"

namespace zerlin::status {

namespace {

std::string minutes(int seconds) {
    seconds = std::max(seconds, 0);
    const int rest = seconds % 60;
    return std::to_string(seconds / 60) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

std::string padRight(const std::string& text, std::size_t width) {
    const std::size_t length = utf8::length(text);
    return length >= width ? text : text + std::string(width - length, ' ');
}

std::string padLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string players(const ServerStatus& status) {
    std::string text = std::to_string(status.numPlayers);
    if (status.maxPlayers) {
        text += '/';
        text += std::to_string(*status.maxPlayers);
    }
    return text;
}

Indicator indicatorOf(const ServerState& state) {
    if (!state.ended) {
        return state.asking ? Indicator::Asking : Indicator::None;
    }
    if (!state.answer) {
        return Indicator::NoAnswer;
    }
    const ServerStatus& status = state.answer->status;
    return status.maxPlayers && status.numPlayers >= *status.maxPlayers ? Indicator::Full
                                                                        : Indicator::Up;
}

std::string describe(const ServerState& state) {
    switch (indicatorOf(state)) {
        case Indicator::None:
            return {};
        case Indicator::Asking:
            return "asking";
        case Indicator::NoAnswer:
            return "no answer";
        case Indicator::Up:
        case Indicator::Full:
            break;
    }
    const ServerStatus& status = state.answer->status;
    std::string text = players(status) + " players";
    if (!status.mapName.empty()) {
        text += ", " + status.mapName;
    }
    text += ", " + std::to_string(state.answer->pingMs) + " ms";
    if (status.password) {
        text += ", password";
    }
    return text;
}

std::string tooltipText(const ServerState& state) {
    const Indicator indicator = indicatorOf(state);
    if (indicator != Indicator::Up && indicator != Indicator::Full) {
        return describe(state);
    }
    const ServerStatus& s = state.answer->status;
    std::string text = s.hostName.empty() ? "(no name)" : s.hostName;
    text += "\nMap: " + (s.mapName.empty() ? "-" : s.mapName);
    if (!s.gameType.empty()) {
        text += " (" + s.gameType + ")";
    }
    text += "\nPlayers: " + players(s);
    if (s.reservedSlots > 0) {
        text += " (" + std::to_string(s.reservedSlots) + " reserved)";
    }
    if (indicator == Indicator::Full) {
        text += ", full";
    }
    text += std::string("\nPassword: ") + (s.password ? "yes" : "no");
    text += std::string("\nPunkBuster: ") + (s.punkBuster ? "on" : "off");
    if (!s.activeMods.empty()) {
        text += "\nMod: " + s.activeMods;
    }
    const std::string version = !s.gameVersion.empty() ? s.gameVersion : s.version;
    if (!version.empty()) {
        text += "\nVersion: " + version;
    }
    if (s.roundTimeRemain) {
        text += "\nTime left: " + minutes(*s.roundTimeRemain);
    }
    if (s.tickets1 || s.tickets2) {
        text += "\nTickets: " + std::to_string(s.tickets1.value_or(0)) + " : " +
                std::to_string(s.tickets2.value_or(0));
    }
    text += "\nPing: " + std::to_string(state.answer->pingMs) + " ms";

    // The players by team, each team by score, best first; the teams in the server's order.
    std::map<int, std::vector<const PlayerStatus*>> teams;
    for (const PlayerStatus& player : s.players) {
        teams[player.team].push_back(&player);
    }
    std::size_t nameWidth = 4;
    for (const PlayerStatus& player : s.players) {
        nameWidth = std::max(nameWidth, utf8::length(player.name));
    }
    for (auto& [team, members] : teams) {
        std::stable_sort(
            members.begin(), members.end(),
            [](const PlayerStatus* a, const PlayerStatus* b) { return a->score > b->score; });
        std::string name = s.teamName(team);
        if (name.empty()) {
            name = team > 0 ? std::string("Team ").append(std::to_string(team)) : "No team";
        }
        text += "\n\n" + name + "\n" + padRight("Name", nameWidth) + "  Score  Kills  Deaths  Ping";
        for (const PlayerStatus* p : members) {
            text += '\n';
            text += padRight(p->name, nameWidth) + padLeft(std::to_string(p->score), 7) +
                    padLeft(std::to_string(p->kills), 7) + padLeft(std::to_string(p->deaths), 8) +
                    padLeft(std::to_string(p->ping), 6);
        }
    }
    return text;
}

}  // namespace zerlin::status
