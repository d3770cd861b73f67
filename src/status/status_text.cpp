#include "status/status_text.h"

#include <algorithm>
#include <map>
#include <vector>

#include "text/counted.h"
#include "text/utf8.h"

namespace zerlin::status {

namespace {

constexpr std::string_view kEllipsis = "\u2026";

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

struct Team {
    int number = 0;
    std::vector<const PlayerStatus*> members;  // best score first
    std::vector<std::string> shownNames;       // of the first members, those listed
};

// The teams in the server's order, the players of each by score, best first.
std::vector<Team> teamsOf(const ServerStatus& s) {
    std::map<int, std::vector<const PlayerStatus*>> byNumber;
    for (const PlayerStatus& player : s.players) {
        byNumber[player.team].push_back(&player);
    }
    std::vector<Team> teams;
    for (auto& [number, members] : byNumber) {
        std::stable_sort(
            members.begin(), members.end(),
            [](const PlayerStatus* a, const PlayerStatus* b) { return a->score > b->score; });
        teams.push_back({number, std::move(members), {}});
    }
    return teams;
}

// The players of the first teams, a table each, and how many are left out.
std::string playersText(const ServerStatus& s) {
    std::vector<Team> teams = teamsOf(s);
    const std::size_t teamsShown = std::min(teams.size(), kMaxTeamsShown);
    std::size_t nameWidth = 4;
    for (std::size_t t = 0; t < teamsShown; ++t) {
        Team& team = teams[t];
        for (std::size_t i = 0; i < std::min(team.members.size(), kMaxPlayersShownPerTeam); ++i) {
            team.shownNames.push_back(shortened(team.members[i]->name));
            nameWidth = std::max(nameWidth, utf8::length(team.shownNames.back()));
        }
    }
    std::string text;
    for (std::size_t t = 0; t < teamsShown; ++t) {
        const Team& team = teams[t];
        std::string name = shortened(s.teamName(team.number));
        if (name.empty()) {
            name = team.number > 0 ? std::string("Team ").append(std::to_string(team.number))
                                   : "No team";
        }
        text += "\n\n" + name + "\n" + padRight("Name", nameWidth) + "  Score  Kills  Deaths  Ping";
        for (std::size_t i = 0; i < team.shownNames.size(); ++i) {
            const PlayerStatus* p = team.members[i];
            text += '\n';
            text += padRight(team.shownNames[i], nameWidth) + padLeft(std::to_string(p->score), 7) +
                    padLeft(std::to_string(p->kills), 7) + padLeft(std::to_string(p->deaths), 8) +
                    padLeft(std::to_string(p->ping), 6);
        }
        if (team.members.size() > team.shownNames.size()) {
            text +=
                "\nand " + std::to_string(team.members.size() - team.shownNames.size()) + " more";
        }
    }
    std::size_t unshown = 0;
    for (std::size_t t = teamsShown; t < teams.size(); ++t) {
        unshown += teams[t].members.size();
    }
    if (unshown > 0) {
        text += "\n\nand " + std::to_string(unshown) + " more in " +
                std::to_string(teams.size() - teamsShown) + " other teams";
    }
    return text;
}

}  // namespace

std::string shortened(std::string_view text, std::size_t characters) {
    if (characters == 0) {
        return {};
    }
    const std::size_t cut = utf8::offsetOf(text, characters);
    if (cut == text.size()) {
        return std::string(text);
    }
    return utf8::first(text, characters - 1).append(kEllipsis);
}

std::string fitLines(std::string_view text, std::size_t columns, std::size_t rows) {
    std::string fitted;
    std::size_t start = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (row > 0) {
            fitted += '\n';
        }
        if (row + 1 == rows && end < text.size()) {
            return fitted + shortened(kEllipsis, columns);  // lines left out
        }
        fitted += shortened(text.substr(start, end - start), columns);
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    return fitted;
}

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
    // "1/64 players" reads as one of 64; without a maximum the count alone takes the noun.
    std::string text = status.maxPlayers ? players(status) + " players"
                                         : text::counted(status.numPlayers, "player");
    if (!status.mapName.empty()) {
        text += ", " + shortened(status.mapName);
    }
    text += ", " + std::to_string(state.answer->pingMs) + " ms";
    if (status.password) {
        text += ", password";
    }
    return text;
}

std::string tooltipText(const ServerState& state, std::string_view afterName,
                        const mods::ModTable* installed) {
    const Indicator indicator = indicatorOf(state);
    if (indicator != Indicator::Up && indicator != Indicator::Full) {
        // Being asked again, the last answer's line stays.
        return afterName.empty() ? describe(state) : describe(state).append("\n").append(afterName);
    }
    const ServerStatus& s = state.answer->status;
    std::string text = s.hostName.empty() ? "(no name)" : shortened(s.hostName);
    if (!afterName.empty()) {
        text.append("\n").append(afterName);
    }
    text += "\nMap: " + (s.mapName.empty() ? "-" : shortened(s.mapName));
    if (!s.gameType.empty()) {
        text += " (" + shortened(s.gameType) + ")";
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
    if (installed != nullptr) {
        if (const std::string line = installed->modLine(s.mod()); !line.empty()) {
            text += "\n" + line;
        }
    } else if (!s.mod().empty()) {
        text += "\nMod: " + shortened(s.mod());
    }
    const std::string version = !s.gameVersion.empty() ? s.gameVersion : s.version;
    if (!version.empty()) {
        text += "\nVersion: " + shortened(version);
    }
    if (s.roundTimeRemain) {
        text += "\nTime left: " + minutes(*s.roundTimeRemain);
    }
    if (s.tickets1 || s.tickets2) {
        text += "\nTickets: " + std::to_string(s.tickets1.value_or(0)) + " : " +
                std::to_string(s.tickets2.value_or(0));
    }
    text += "\nPing: " + std::to_string(state.answer->pingMs) + " ms";

    return text + playersText(s);
}

}  // namespace zerlin::status
