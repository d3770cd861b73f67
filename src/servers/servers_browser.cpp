#include "servers/servers_browser.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "servers/address_rules.h"
#include "servers/kept_list.h"
#include "servers/ping_plan.h"
#include "status/host.h"
#include "text/ascii.h"

namespace zerlin::servers {

namespace {

std::map<status::ServerKey, std::size_t> indexOf(const std::vector<ServerRow>& rows) {
    std::map<status::ServerKey, std::size_t> index;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        index.emplace(status::listedServer(rows[i].listed.ip, rows[i].listed.port), i);
    }
    return index;
}

}  // namespace

// A list's rows and their index, made from its servers off the event loop.
struct ServersBrowser::Building {
    std::shared_ptr<const ServerSources::Servers> servers;
    std::time_t time = 0;
    bool kept = false;
    bool loopback = false;  // a fresh list that names loopback servers, or got from loopback
    std::vector<ServerRow> rows;
    std::map<status::ServerKey, std::size_t> index;

    void build() {
        rows.reserve(servers->size());
        for (const ListedServer& server : *servers) {
            rows.emplace_back(server);
            const std::optional<net::IpAddress> ip = status::parseIpv4(server.ip);
            loopback = loopback || (!kept && ip && isLoopback(*ip));
        }
        index = indexOf(rows);
    }
};

ServersBrowser::ServersBrowser(ServerSources& sources, status::StatusService& status,
                               std::string keptPath, WallClock now, const Timers& timers,
                               Hooks hooks)
    : sources_(sources),
      pings_(status),
      keptPath_(std::move(keptPath)),
      now_(std::move(now)),
      timers_(timers),
      hooks_(std::move(hooks)),
      worker_(sources.worker()) {
    pings_.setChangeHandler([this](const status::ServerKey& server) { pingChanged(server); });
    timers_.refresh.setHandler([this] {
        timers_.refresh.start(kRefreshPeriod);
        if (hooks_.refreshed) {
            hooks_.refreshed();
        }
        refresh();
    });
    timers_.keep.setHandler([this] { keepList(); });
    timers_.batch.setHandler([this] { batchDue(); });
    timers_.line.setHandler([this] {
        if (hooks_.answersSummed) {
            hooks_.answersSummed();
        }
    });
    timers_.ask.setHandler([this] { askStep(); });
    timers_.settle.setHandler([this] {
        if (hooks_.rowsHeld && hooks_.rowsHeld()) {
            timers_.settle.start(kSettleDelay);
        } else if (hooks_.settled) {
            hooks_.settled();
        }
    });
}

ServersBrowser::~ServersBrowser() {
    for (Timer* timer : {&timers_.refresh, &timers_.keep, &timers_.batch, &timers_.line,
                         &timers_.settle, &timers_.ask}) {
        timer->stop();
        timer->setHandler({});
    }
    sources_.cancel();
    hooks_ = {};
    keepList();
    life_.reset();
}

void ServersBrowser::opened() {
    if (!keptLoaded_) {
        keptLoaded_ = true;
        if ((played_ ? listRows_ : rows_).empty()) {
            if (std::optional<KeptList> kept = loadKeptList(keptPath_)) {
                show(std::make_shared<const ServerSources::Servers>(std::move(kept->servers)),
                     kept->time, true);
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
    timers_.refresh.start(kRefreshPeriod);
}

void ServersBrowser::closed() {
    timers_.refresh.stop();
    sources_.cancel();
    if (phase_ == Phase::Getting) {
        setPhase(listTime_ && !kept_ ? Phase::Listed : Phase::Idle);
    }
    keepList();
}

void ServersBrowser::refresh() {
    setPhase(Phase::Getting);
    pendingAdded_.clear();
    ServerSources::Handlers handlers;
    handlers.listed = [this](std::shared_ptr<const ServerSources::Servers> servers) {
        gathered(std::move(servers));
    };
    handlers.added = [this](ServerSources::Servers servers) {
        // Shown with the next batch: the service may be reporting an answer.
        pendingAdded_.insert(pendingAdded_.end(), std::make_move_iterator(servers.begin()),
                             std::make_move_iterator(servers.end()));
        if (!timers_.batch.isActive()) {
            timers_.batch.start(kBatchDelay);
        }
    };
    handlers.failed = [this] { setPhase(Phase::Failed); };
    if (!sources_.start(url_, masters_, std::move(handlers))) {
        setPhase(Phase::Failed);  // every source is off
    }
}

void ServersBrowser::gathered(std::shared_ptr<const ServerSources::Servers> servers) {
    show(std::move(servers), now_(), false);
}

void ServersBrowser::keepList() {
    addPending();  // the servers found since the last batch are kept with the rest
    if (!keepPending_ || !listTime_) {
        return;
    }
    keepPending_ = false;
    timers_.keep.stop();
    const std::vector<ServerRow>& rows = played_ ? listRows_ : rows_;
    std::vector<const ListedServer*> servers;
    servers.reserve(rows.size());
    for (const ServerRow& row : rows) {
        servers.push_back(&row.listed);
    }
    // A cache that cannot be written costs only the next start's first look: said once.
    const Status kept =
        saveKeptList(keptPath_, encodeKeptList(*listTime_, keptFromLoopback_, servers));
    if (!kept && !keepFailureTold_ && !keptPath_.empty() && hooks_.keepFailed) {
        keepFailureTold_ = true;
        hooks_.keepFailed(kept.error());
    }
}

void ServersBrowser::show(std::shared_ptr<const ServerSources::Servers> servers, std::time_t time,
                          bool kept) {
    pendingAdded_.clear();
    auto building = std::make_shared<Building>();
    building->servers = std::move(servers);
    building->time = time;
    building->kept = kept;
    // Only a source on the machine itself may name loopback servers: such rows say one was.
    building->loopback = !kept && servedFromLoopback(url_);
    building_ = building;
    // A kept list is shown as the window opens, before its first paint.
    if (!worker_ || kept) {
        building->build();
        install(*building);
        return;
    }
    worker_->run([building] { building->build(); },
                 [this, building, life = std::weak_ptr<int>(life_)] {
                     if (!life.expired() && building_ == building) {
                         install(*building);
                     }
                 });
}

void ServersBrowser::install(Building& built) {
    building_.reset();
    std::vector<ServerRow>& rows = played_ ? listRows_ : rows_;
    rows = std::move(built.rows);
    kept_ = built.kept;
    listTime_ = built.time;
    if (!built.kept) {
        keepPending_ = true;
        keptFromLoopback_ = built.loopback;
        timers_.keep.start(kKeepDelay);
    }
    if (!played_) {
        // Asked and shown when the list comes back into view.
        index_ = std::move(built.index);
        markBookmarks();
        askPings();
    }
    if (!built.kept) {
        setPhase(Phase::Listed);
    }
    if (!pendingAdded_.empty() && !timers_.batch.isActive()) {
        timers_.batch.start(kBatchDelay);
    }
}

void ServersBrowser::index() {
    index_ = indexOf(rows_);
}

void ServersBrowser::addPending() {
    if (pendingAdded_.empty() || played_ || building_) {
        return;  // once the list's rows are made and shown
    }
    ServerSources::Servers servers = std::move(pendingAdded_);
    pendingAdded_.clear();
    const std::size_t first = rows_.size();
    std::vector<ServerRow> added;
    for (ListedServer& server : servers) {
        const auto found = index_.find(status::listedServer(server.ip, server.port));
        if (found == index_.end()) {
            index_.emplace(status::listedServer(server.ip, server.port), first + added.size());
            added.emplace_back(std::move(server));
            continue;
        }
        if (found->second >= first) {
            continue;  // given twice in one batch: the first stands
        }
        // Given again: the sources now known to list it.
        rows_[found->second].listed.listedBy = std::move(server.listedBy);
        changedFirst_ = std::min(changedFirst_, found->second);
        changedLast_ = std::max(changedLast_, found->second);
    }
    if (!kept_) {
        keepPending_ = true;
        timers_.keep.start(kKeepDelay);
    }
    if (added.empty()) {
        return;
    }
    const std::size_t last = first + added.size() - 1;
    if (hooks_.rowsAdding) {
        hooks_.rowsAdding(first, last);
    }
    rows_.insert(rows_.end(), std::make_move_iterator(added.begin()),
                 std::make_move_iterator(added.end()));
    markBookmarks(first);
    std::vector<status::Request> requests = planPings(rows_, first);
    for (std::size_t row = first; row <= last; ++row) {
        if (rows_[row].notPinged == NotPinged::No) {
            mergeState(rows_[row], pings_.state(status::listedServer(rows_[row].listed.ip,
                                                                     rows_[row].listed.port)));
        }
    }
    if (hooks_.rowsAdded) {
        hooks_.rowsAdded(first, last);
    }
    hand(std::move(requests));
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

std::optional<std::size_t> ServersBrowser::rowOf(const std::string& ip, std::uint16_t port) const {
    const auto found = index_.find(status::listedServer(ip, port));
    return found == index_.end() ? std::nullopt : std::optional(found->second);
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
    if (!pendingAdded_.empty() && !timers_.batch.isActive()) {
        timers_.batch.start(kBatchDelay);
    }
}

void ServersBrowser::askPings() {
    // The list's limits guard against whoever edits the list; the servers played were chosen
    // by the user, and each is asked (its query port searched for where it is not known).
    std::vector<status::Request> requests;
    if (played_) {
        requests.reserve(rows_.size());
        for (ServerRow& row : rows_) {
            row.notPinged = NotPinged::No;
            requests.push_back(pingRequest(row));
        }
    } else {
        requests = planPings(rows_);
    }
    // Asked in steps, in order, the first now; the servers no longer listed are let go once
    // all are handed. The changes the first step reports are shown with the rows, below, not
    // one by one.
    toAsk_ = std::move(requests);
    asked_ = 0;
    handed_.clear();
    timers_.ask.stop();
    quiet_ = true;
    askStep();
    quiet_ = false;
    for (ServerRow& row : rows_) {
        if (row.notPinged == NotPinged::No) {
            mergeState(row, pings_.state(status::listedServer(row.listed.ip, row.listed.port)));
        }
    }
    timers_.batch.stop();
    changedFirst_ = static_cast<std::size_t>(-1);
    changedLast_ = 0;
    if (hooks_.rowsReplaced) {
        hooks_.rowsReplaced();
    }
}

// More rows to ask: after those still to hand, or at once when all are handed.
void ServersBrowser::hand(std::vector<status::Request> requests) {
    if (toAsk_.empty()) {
        pings_.askMore(requests);
    } else {
        toAsk_.insert(toAsk_.end(), std::make_move_iterator(requests.begin()),
                      std::make_move_iterator(requests.end()));
    }
}

void ServersBrowser::askStep() {
    const std::size_t end = std::min(toAsk_.size(), asked_ + kAskStep);
    const std::vector<status::Request> step(toAsk_.begin() + static_cast<std::ptrdiff_t>(asked_),
                                            toAsk_.begin() + static_cast<std::ptrdiff_t>(end));
    asked_ = end;
    for (const status::Request& request : step) {
        handed_.insert(request.server);
    }
    // Each row asked is told through pingChanged, shown with the next batch.
    pings_.askMore(step);
    if (asked_ < toAsk_.size()) {
        timers_.ask.start(std::chrono::milliseconds(0));
    } else {
        toAsk_.clear();
        asked_ = 0;
        pings_.keepExactly(std::move(handed_));
        handed_.clear();
    }
}

void ServersBrowser::setPhase(Phase phase) {
    phase_ = phase;
    if (hooks_.lineChanged) {
        hooks_.lineChanged();
    }
}

std::string ServersBrowser::statusLine(const std::vector<std::size_t>& shownRows) const {
    long long shownPlayers = 0;
    for (const std::size_t row : shownRows) {
        if (row < rows_.size()) {
            shownPlayers += rows_[row].info.numPlayers;
        }
    }
    if (played_) {
        // These servers are asked one by one, whatever became of the list.
        return summaryLine(shownRows.size(), shownPlayers);
    }
    switch (phase_) {
        case Phase::Getting:
        case Phase::Idle:
            return gettingLine();
        case Phase::Listed:
            return summaryLine(shownRows.size(), shownPlayers);
        case Phase::Failed:
            break;
    }
    return failureLine(listTime_ && !rows_.empty() ? &*listTime_ : nullptr);
}

void ServersBrowser::setBookmarks(const std::vector<std::pair<std::string, std::string>>& servers) {
    bookmarks_ = servers;
    markBookmarks();
}

void ServersBrowser::markBookmarks(std::size_t from) {
    // Looked up by address: thousands of rows against the bookmarks cost no more than the rows.
    std::set<std::pair<std::string_view, std::string_view>> marked;
    for (const auto& [ip, port] : bookmarks_) {
        marked.emplace(text::trimmed(ip), text::trimmed(port));
    }
    for (std::size_t i = from; i < rows_.size(); ++i) {
        ServerRow& row = rows_[i];
        if (marked.empty()) {
            row.bookmarked = false;
            continue;
        }
        const std::string port = std::to_string(row.listed.port);
        row.bookmarked = marked.contains({row.listed.ip, port});
    }
}

void ServersBrowser::pingChanged(const status::ServerKey& server) {
    if (quiet_) {
        return;  // shown with the rows
    }
    const auto found = index_.find(server);
    if (found == index_.end() || rows_[found->second].notPinged != NotPinged::No) {
        return;  // a server not pinged may be a bookmark's, asked for the bookmark
    }
    const std::size_t row = found->second;
    mergeState(rows_[row], pings_.state(server));
    if (hooks_.rowChanged) {
        hooks_.rowChanged(row);
    }
    changedFirst_ = std::min(changedFirst_, row);
    changedLast_ = std::max(changedLast_, row);
    if (!timers_.batch.isActive()) {
        timers_.batch.start(kBatchDelay);
    }
}

void ServersBrowser::batchDue() {
    addPending();
    const std::size_t first = changedFirst_;
    const std::size_t last = changedLast_;
    changedFirst_ = static_cast<std::size_t>(-1);
    changedLast_ = 0;
    if (first <= last && last < rows_.size() && hooks_.rowsChanged) {
        hooks_.rowsChanged(first, last);
    }
    if (!timers_.line.isActive()) {
        timers_.line.start(kLineDelay);
    }
    timers_.settle.start(kSettleDelay);
}

}  // namespace zerlin::servers
