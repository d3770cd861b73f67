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
        if (rows_.empty()) {
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
    walk_.start(url_, [this](WalkOutcome outcome) { walked(std::move(outcome)); });
}

void ServersBrowser::walked(WalkOutcome outcome) {
    if (!outcome.ok) {
        setPhase(Phase::Failed);
        return;
    }
    const std::time_t time = now_();
    keepPending_ = true;
    show(std::move(outcome.servers), time, false);
    setPhase(Phase::Listed);
}

void ServersBrowser::keepList() {
    if (!keepPending_ || !listTime_) {
        return;
    }
    keepPending_ = false;
    std::vector<const ListedServer*> servers;
    servers.reserve(rows_.size());
    for (const ServerRow& row : rows_) {
        servers.push_back(&row.listed);
    }
    // A cache that cannot be written costs only the next start's first look.
    (void)saveKeptList(keptPath_, encodeKeptList(*listTime_, servedFromLoopback(url_), servers));
}

void ServersBrowser::show(std::vector<ListedServer> servers, std::time_t time, bool kept) {
    rows_.clear();
    rows_.reserve(servers.size());
    index_.clear();
    for (ListedServer& server : servers) {
        index_.emplace(std::pair(server.ip, server.port), rows_.size());
        rows_.emplace_back(std::move(server));
    }
    kept_ = kept;
    listTime_ = time;
    markBookmarks();
    askPings();
}

void ServersBrowser::askPings() {
    const std::vector<PingTarget> targets = planPings(rows_);
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
