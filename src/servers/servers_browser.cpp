#include "servers/servers_browser.h"

#include <algorithm>

#include "servers/address_rules.h"
#include "servers/kept_list.h"
#include "servers/ping_plan.h"
#include "text/ascii.h"

namespace zerlin::servers {

ServersBrowser::ServersBrowser(ListWalk& walk, PingSource& pings, std::string keptPath,
                               std::function<std::time_t()> now, Hooks hooks)
    : walk_(walk),
      pings_(pings),
      keptPath_(std::move(keptPath)),
      now_(std::move(now)),
      hooks_(std::move(hooks)) {}

void ServersBrowser::opened() {
    if (!keptLoaded_) {
        keptLoaded_ = true;
        if ((played_ ? listRows_ : rows_).empty()) {
            if (std::optional<KeptList> kept = loadKeptList(keptPath_)) {
                show(std::move(kept->servers), kept->time, true);
            }
        }
    }
    // Only a list got in this run counts as fresh: a kept one is always asked anew.
    const std::time_t now = now_();
    if (!kept_ && listTime_ && now >= *listTime_ && now - *listTime_ < kFreshSeconds) {
        // The pings are asked again all the same: they are what this machine sees now.
        askPings();
    } else {
        refresh();
    }
}

void ServersBrowser::closed() {
    walk_.cancel();
    if (phase_ == Phase::Getting) {
        setPhase(listTime_ && !kept_ ? Phase::Listed : Phase::Idle);
    }
}

void ServersBrowser::refresh() {
    if (url_.empty()) {
        walk_.cancel();
        setPhase(Phase::Failed);
        return;
    }
    setPhase(Phase::Getting);
    walk_.start(url_,
                [this](Result<std::vector<ListedServer>> outcome) { walked(std::move(outcome)); });
}

void ServersBrowser::walked(Result<std::vector<ListedServer>> outcome) {
    if (!outcome) {
        setPhase(Phase::Failed);
        return;
    }
    const std::time_t time = now_();
    keepPending_ = true;
    show(std::move(outcome.value()), time, false);
    setPhase(Phase::Listed);
}

void ServersBrowser::keepList() {
    if (!keepPending_ || !listTime_) {
        return;
    }
    keepPending_ = false;
    const std::vector<ServerRow>& rows = played_ ? listRows_ : rows_;
    std::vector<const ListedServer*> servers;
    servers.reserve(rows.size());
    for (const ServerRow& row : rows) {
        servers.push_back(&row.listed);
    }
    // A cache that cannot be written costs only the next start's first look: said once.
    const Status kept =
        saveKeptList(keptPath_, encodeKeptList(*listTime_, servedFromLoopback(url_), servers));
    if (!kept && !keepFailureTold_ && !keptPath_.empty() && hooks_.keepFailed) {
        keepFailureTold_ = true;
        hooks_.keepFailed(kept.error());
    }
}

void ServersBrowser::show(std::vector<ListedServer> servers, std::time_t time, bool kept) {
    std::vector<ServerRow>& rows = played_ ? listRows_ : rows_;
    rows.clear();
    rows.reserve(servers.size());
    for (ListedServer& server : servers) {
        rows.emplace_back(std::move(server));
    }
    kept_ = kept;
    listTime_ = time;
    if (played_) {
        // Asked and shown when the list comes back into view.
        return;
    }
    index();
    markBookmarks();
    askPings();
}

void ServersBrowser::index() {
    index_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        index_.emplace(std::pair(rows_[i].listed.ip, rows_[i].listed.port), i);
    }
}

void ServersBrowser::showPlayed(const std::vector<PlayedServer>& played) {
    if (!played_) {
        listRows_ = std::move(rows_);
        played_ = true;
    }
    rows_.clear();
    rows_.reserve(played.size());
    for (const PlayedServer& server : played) {
        ListedServer listed;
        listed.ip = server.ip;
        listed.port = server.port;
        // 0: not known, searched for as a bookmark's is.
        listed.queryPort = server.queryPort.value_or(0);
        listed.info.hostName = server.name;
        listed.info.activeMods = server.mod;
        ServerRow& row = rows_.emplace_back(std::move(listed));
        row.lastPlayed = server.time;
    }
    index();
    markBookmarks();
    askPings();
}

const ServerRow* ServersBrowser::findRow(std::string_view ip, std::uint16_t port) const {
    const std::string key = playedKey(ip, port);
    for (const std::vector<ServerRow>* rows : {&rows_, &listRows_}) {
        for (const ServerRow& row : *rows) {
            if (row.listed.port == port && playedKey(row.listed.ip, port) == key) {
                return &row;
            }
        }
    }
    return nullptr;
}

void ServersBrowser::showListed() {
    if (!played_) {
        return;
    }
    played_ = false;
    rows_ = std::move(listRows_);
    listRows_.clear();
    index();
    markBookmarks();
    askPings();
}

void ServersBrowser::askPings() {
    // The list's limits guard against whoever edits the list; the servers played were chosen
    // by the user, and each is asked (its query port searched for where it is not known).
    std::vector<PingTarget> targets;
    if (played_) {
        for (ServerRow& row : rows_) {
            row.notPinged = NotPinged::No;
            targets.push_back({row.listed.ip, row.listed.port, row.listed.queryPort});
        }
    } else {
        targets = planPings(rows_);
    }
    // The changes the asking itself reports are shown with the rows, below, not one by one.
    quiet_ = true;
    pings_.ask(targets);
    quiet_ = false;
    for (ServerRow& row : rows_) {
        if (row.notPinged == NotPinged::No) {
            mergeState(row, pings_.state(row.listed.ip, row.listed.port));
        }
    }
    if (hooks_.rowsReplaced) {
        hooks_.rowsReplaced();
    }
}

void ServersBrowser::setPhase(Phase phase) {
    phase_ = phase;
    if (hooks_.lineChanged) {
        hooks_.lineChanged();
    }
}

std::string ServersBrowser::statusLine(std::size_t shownRows, long long shownPlayers) const {
    if (played_) {
        // These servers are asked one by one, whatever became of the list.
        return summaryLine(shownRows, shownPlayers);
    }
    switch (phase_) {
        case Phase::Getting:
        case Phase::Idle:
            return gettingLine();
        case Phase::Listed:
            return summaryLine(shownRows, shownPlayers);
        case Phase::Failed:
            break;
    }
    return failureLine(listTime_ && !rows_.empty() ? &*listTime_ : nullptr);
}

void ServersBrowser::setBookmarks(const std::vector<std::pair<std::string, std::string>>& servers) {
    bookmarks_ = servers;
    markBookmarks();
}

void ServersBrowser::markBookmarks() {
    for (ServerRow& row : rows_) {
        const std::string port = std::to_string(row.listed.port);
        row.bookmarked = std::any_of(bookmarks_.begin(), bookmarks_.end(), [&](const auto& b) {
            return text::trimmed(b.first) == row.listed.ip && text::trimmed(b.second) == port;
        });
    }
}

void ServersBrowser::pingChanged(const std::string& ip, std::uint16_t port) {
    const auto found = index_.find({ip, port});
    if (quiet_ || found == index_.end() || rows_[found->second].notPinged != NotPinged::No) {
        return;  // a server not pinged may be a bookmark's, asked for the bookmark
    }
    mergeState(rows_[found->second], pings_.state(ip, port));
    if (hooks_.rowChanged) {
        hooks_.rowChanged(found->second);
    }
}

}  // namespace zerlin::servers
