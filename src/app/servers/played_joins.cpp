#include "app/servers/played_joins.h"

#include <ctime>

#include "bookmarks/bookmark_entry.h"
#include "text/ascii.h"

namespace zerlin::app {

PlayedJoins::PlayedJoins(servers::PlayedServers& store, status::StatusService& status,
                         const ListBox& bookmarks)
    : store_(store), status_(status), bookmarks_(bookmarks) {}

void PlayedJoins::listed(const std::vector<const servers::ListedServer*>& servers) {
    listed_.clear();
    for (const servers::ListedServer* listed : servers) {
        const servers::ListedServer& server = *listed;
        listed_.emplace(servers::playedKey(server.ip, server.port),
                        std::pair(server.info.hostName, server.queryPort));
    }
}

servers::JoinFacts PlayedJoins::facts(const std::string& ip, const std::string& port) const {
    servers::JoinFacts facts;
    const std::optional<servers::PlayedServer> address = servers::playedJoin(ip, port, facts, 0);
    if (!address) {
        return facts;
    }
    const std::string key = servers::playedKey(address->ip, address->port);
    if (const auto found = listed_.find(key); found != listed_.end()) {
        facts.listedName = found->second.first;
        facts.listedQueryPort = found->second.second;
    }
    if (const servers::ServerRow* row = findRow_ ? findRow_(address->ip, address->port) : nullptr) {
        // The window's row: the list's, or a played server's with what its earlier join knew.
        facts.listedName = row->info.hostName;
        if (row->listed.queryPort > 0) {
            facts.listedQueryPort = row->listed.queryPort;
        }
    }
    const status::ServerState& state = status_.state({ip, port});
    if (state.answer) {
        facts.answeredName = state.answer->status.hostName;
    }
    for (int i = 0; i < bookmarks_.count(); ++i) {
        const std::string row = bookmarks_.row(i);
        const BookmarkAddress bookmark = readBookmarkEntry(row);
        if (bookmark.ip && servers::playedKey(*bookmark.ip, 0) == servers::playedKey(ip, 0) &&
            text::trimmed(bookmark.port) == text::trimmed(port)) {
            facts.bookmarkName = bookmarkName(row);
            break;
        }
    }
    if (modOf_) {
        facts.mod = modOf_(ip, port);
    }
    return facts;
}

void PlayedJoins::joined(const std::string& ip, const std::string& port) {
    if (std::optional<servers::PlayedServer> entry =
            servers::playedJoin(ip, port, facts(ip, port), std::time(nullptr))) {
        // A failure is told once by the store; the game runs all the same.
        (void)store_.record(std::move(*entry));
        if (recorded_) {
            recorded_();
        }
    }
}

}  // namespace zerlin::app
