#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "servers/kept_list.h"
#include "servers/list_walk.h"
#include "servers/ping_source.h"
#include "servers/played_servers.h"
#include "servers/server_rows.h"
#include "status/status_service.h"

namespace zerlin::servers {

// The list is asked again when the window opens only when the one shown is older than this.
inline constexpr std::time_t kFreshSeconds = 60;

// The Servers window's behaviour: which list it shows (the one kept from an earlier run, then
// the one just got), when the list is asked, the pings merged in, and its status line.
class ServersBrowser {
  public:
    struct Hooks {
        std::function<void()> rowsReplaced;
        std::function<void(std::size_t row)> rowChanged;
        std::function<void()> lineChanged;  // the phase changed
        // The list could not be kept ("<path>: <why>"): told the first time only.
        std::function<void(const std::string& why)> keepFailed;
    };
    enum class Phase { Idle, Getting, Listed, Failed };

    ServersBrowser(ListWalk& walk, PingSource& pings, std::string keptPath,
                   std::function<std::time_t()> now, Hooks hooks);
    ServersBrowser(const ServersBrowser&) = delete;
    ServersBrowser& operator=(const ServersBrowser&) = delete;

    // The list's base URL; empty turns the list off.
    void setListUrl(std::string url) { url_ = std::move(url); }
    // The window opened: shows the kept list when none is shown yet, and asks for the list
    // unless the one shown was got in this run under a minute ago.
    void opened();
    // The window closed: a walk under way is dropped.
    void closed();
    // Asks for the list (F5, Refresh, every 2 minutes while shown).
    void refresh();

    // Shows the servers played recently instead of the list, in their order, each asked
    // directly; the list goes on being got and kept meanwhile, and comes back with showListed.
    void showPlayed(const std::vector<PlayedServer>& played);
    void showListed();
    bool showingPlayed() const { return played_; }
    // The row of a server (its IP without regard to case or blanks), shown or kept aside while
    // the played servers are shown; none when neither holds it.
    const ServerRow* findRow(std::string_view ip, std::uint16_t port) const;

    const std::vector<ServerRow>& rows() const { return rows_; }
    Phase phase() const { return phase_; }
    // Whether the rows are a list kept from an earlier run, shown dimmed.
    bool showingKept() const { return kept_; }
    std::optional<std::time_t> listTime() const { return listTime_; }
    // The status line, with the number of rows the filter lets through and their players.
    std::string statusLine(std::size_t shownRows, long long shownPlayers) const;

    // The bookmarks' servers (IP and port texts), marked in the rows.
    void setBookmarks(const std::vector<std::pair<std::string, std::string>>& servers);
    // Writes the list last got to the cache, if it is not there yet. Called a while after the
    // list came: the write waits for the disk, which must not hold up the rows or the pings.
    void keepList();
    bool listToKeep() const { return keepPending_; }

    // From the ping source's handler.
    void pingChanged(const std::string& ip, std::uint16_t port);

  private:
    void show(std::vector<ListedServer> servers, std::time_t time, bool kept);
    void askPings();
    void walked(Result<std::vector<ListedServer>> outcome);
    void setPhase(Phase phase);
    void markBookmarks();
    void index();

    ListWalk& walk_;
    PingSource& pings_;
    std::string keptPath_;
    std::function<std::time_t()> now_;
    Hooks hooks_;
    std::string url_;
    std::vector<ServerRow> rows_;      // those shown
    std::vector<ServerRow> listRows_;  // the list's, while the played servers are shown
    bool played_ = false;
    std::map<std::pair<std::string, std::uint16_t>, std::size_t> index_;
    std::vector<std::pair<std::string, std::string>> bookmarks_;
    Phase phase_ = Phase::Idle;
    bool kept_ = false;
    bool keptLoaded_ = false;
    bool quiet_ = false;  // while asking: the rows are merged afterwards
    std::optional<std::time_t> listTime_;
    bool keepPending_ = false;  // the list shown was got in this run and is not kept yet
    bool keepFailureTold_ = false;
};

}  // namespace zerlin::servers
