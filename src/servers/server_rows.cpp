#include "servers/server_rows.h"

#include <tuple>

#include "servers/source_merge.h"
#include "status/host.h"
#include "status/status_text.h"
#include "text/case_fold.h"
#include "text/counted.h"

namespace zerlin::servers {

namespace {

void fold(ServerRow& row) {
    row.foldedName = text::foldCase(row.info.hostName);
    row.foldedMap = text::foldCase(row.info.mapName);
    row.foldedGameType = text::foldCase(row.info.gameType);
    row.foldedMod = text::foldCase(row.info.mod());
}

std::string searchText(const status::ServerStatus& info) {
    std::string texts = info.hostName + '\n' + info.mapName + '\n' + info.mod();
    for (const status::PlayerStatus& player : info.players) {
        texts += '\n';
        texts += player.name;
    }
    return text::foldCase(texts);
}

int pingRank(const ServerRow& row) {
    if (row.notPinged != NotPinged::No) {
        return 3;
    }
    switch (row.ping) {
        case Ping::Answered:
            return 0;
        case Ping::None:
        case Ping::Asking:
            return 1;
        case Ping::NoAnswer:
            break;
    }
    return 2;
}

std::array<std::uint8_t, 4> addressBytes(const ServerRow& row) {
    const std::optional<net::IpAddress> address = status::parseIpv4(row.listed.ip);
    if (!address) {
        return {};
    }
    return {address->bytes[0], address->bytes[1], address->bytes[2], address->bytes[3]};
}

}  // namespace

ServerRow::ServerRow(ListedServer server)
    : listed(std::move(server)), info(listed.info), search(searchText(info)) {
    fold(*this);
}

void mergeState(ServerRow& row, const status::ServerState& state) {
    if (!state.ended) {
        if (state.asking && row.ping == Ping::None) {
            row.ping = Ping::Asking;
        }
        return;
    }
    if (!state.answer) {
        row.ping = Ping::NoAnswer;
        row.info = row.listed.info;
    } else {
        const status::ServerStatus& list = row.listed.info;
        status::ServerStatus info = state.answer->status;
        for (auto [field, fallback] :
             {std::pair{&info.hostName, &list.hostName}, std::pair{&info.mapName, &list.mapName},
              std::pair{&info.gameType, &list.gameType},
              std::pair{&info.activeMods, &list.activeMods},
              std::pair{&info.gameVersion, &list.gameVersion}}) {
            if (field->empty()) {
                *field = *fallback;
            }
        }
        if (!info.maxPlayers) {
            info.maxPlayers = list.maxPlayers;
        }
        row.info = std::move(info);
        row.ping = Ping::Answered;
        row.pingMs = state.answer->pingMs;
    }
    row.search = searchText(row.info);
    fold(row);
}

bool isFull(const status::ServerStatus& info) {
    return info.maxPlayers && *info.maxPlayers > 0 && info.numPlayers >= *info.maxPlayers;
}

bool passes(const ServerRow& row, const Filter& filter, std::string_view foldedText,
            bool friendsPlaying) {
    if (filter.friendsOnly && !friendsPlaying) {
        return false;
    }
    if (filter.hideEmpty && row.info.numPlayers == 0) {
        return false;
    }
    if (filter.hideFull && isFull(row.info)) {
        return false;
    }
    if (filter.hidePassword && row.info.password) {
        return false;
    }
    if (filter.maxPing > 0 && (row.ping == Ping::NoAnswer || row.notPinged != NotPinged::No ||
                               (row.ping == Ping::Answered && row.pingMs > filter.maxPing))) {
        return false;
    }
    if (filter.installedModsOnly && filter.mods != nullptr &&
        !filter.mods->installed(row.info.mod())) {
        return false;
    }
    return foldedText.empty() || row.search.find(foldedText) != std::string::npos ||
           (filter.mods != nullptr && filter.mods->find(row.info.mod()) != nullptr &&
            text::foldCase(filter.mods->displayName(row.info.mod())).find(foldedText) !=
                std::string::npos);
}

bool lessThan(const ServerRow& a, const ServerRow& b, Column column) {
    switch (column) {
        case Column::Server:
            return a.foldedName < b.foldedName;
        case Column::Players:
            return std::tuple(a.info.numPlayers, a.info.maxPlayers.value_or(0)) <
                   std::tuple(b.info.numPlayers, b.info.maxPlayers.value_or(0));
        case Column::Map:
            return a.foldedMap < b.foldedMap;
        case Column::GameType:
            return a.foldedGameType < b.foldedGameType;
        case Column::Mod:
            return a.foldedMod < b.foldedMod;
        case Column::Ping:
            return std::tuple(pingRank(a), a.ping == Ping::Answered ? a.pingMs : 0) <
                   std::tuple(pingRank(b), b.ping == Ping::Answered ? b.pingMs : 0);
        case Column::Address:
            return std::tuple(addressBytes(a), a.listed.port) <
                   std::tuple(addressBytes(b), b.listed.port);
        case Column::LastPlayed:
            return a.lastPlayed.value_or(0) < b.lastPlayed.value_or(0);
    }
    return false;
}

std::string cellText(const ServerRow& row, Column column, const mods::ModTable* mods) {
    switch (column) {
        case Column::Server:
            return row.info.hostName;
        case Column::Players:
            return status::players(row.info);
        case Column::Map:
            return row.info.mapName;
        case Column::GameType:
            return row.info.gameType;
        case Column::Mod:
            return mods != nullptr ? mods->displayName(row.info.mod()) : row.info.mod();
        case Column::Ping:
            if (row.notPinged != NotPinged::No) {
                return "not pinged";
            }
            if (row.ping == Ping::Answered) {
                return std::to_string(row.pingMs) + " ms";
            }
            return row.ping == Ping::NoAnswer ? "no answer" : "";
        case Column::Address:
            return row.listed.address();
        case Column::LastPlayed:
            return row.lastPlayed ? playedTimeText(*row.lastPlayed, std::time(nullptr)) : "";
    }
    return {};
}

std::string detailsText(const ServerRow& row, const mods::ModTable* mods) {
    status::ServerState state;
    state.ended = true;
    state.answer = status::Answer{row.info, row.pingMs};
    std::string text = status::tooltipText(state, {}, mods);
    if (row.ping != Ping::Answered) {
        const std::string ping = "\nPing: " + std::to_string(row.pingMs) + " ms";
        std::string instead = row.ping == Ping::NoAnswer ? "\nPing: no answer" : "\nPing: asking";
        if (row.notPinged == NotPinged::LowQueryPort) {
            instead = "\nNot pinged: query port below 1024.";
        } else if (row.notPinged == NotPinged::CrowdedAddress) {
            instead = "\nNot pinged: more than 16 servers at this address.";
        }
        if (const std::size_t at = text.find(ping); at != std::string::npos) {
            text.replace(at, ping.size(), instead);
        }
    }
    text += "\nAddress: " + row.listed.address();
    if (!row.listed.listedBy.empty()) {
        text += '\n';
        text += listedByLine(row.listed.listedBy);
    }
    return text;
}

std::string gettingLine() {
    return "Getting the server list\u2026";
}

std::string summaryLine(std::size_t servers, long long players) {
    return text::counted(static_cast<long long>(servers), "server") + ", " +
           text::counted(players, "player");
}

std::string failureLine(const std::time_t* keptTime) {
    std::string line = "The server list can't be reached.";
    if (keptTime) {
        line += " Showing the list of " + clockTime(*keptTime) + ".";
    }
    return line;
}

namespace {

std::tm localTime(std::time_t time) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    return local;
}

}  // namespace

std::string clockTime(std::time_t time) {
    const std::tm local = localTime(time);
    char text[8] = {};
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

std::string playedTimeText(std::time_t played, std::time_t now) {
    const std::tm then = localTime(played);
    const std::tm today = localTime(now);
    if (then.tm_year == today.tm_year && then.tm_yday == today.tm_yday) {
        return clockTime(played);
    }
    char text[16] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d", &then);
    return text;
}

}  // namespace zerlin::servers
