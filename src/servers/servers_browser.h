#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/timer.h"
#include "platform/worker.h"
#include "servers/kept_list.h"
#include "servers/list_walk.h"
#include "servers/played_servers.h"
#include "servers/server_rows.h"
#include "servers/server_sources.h"
#include "status/status_client.h"
#include "status/status_service.h"

namespace zerlin::servers {

// The list is asked again when the window opens only when the one shown is older than this.
inline constexpr std::time_t kFreshSeconds = 60;
// While the window is shown, the list is asked again this often.
inline constexpr std::chrono::milliseconds kRefreshPeriod = std::chrono::minutes(2);
// The list is written to the cache this long after it came, once its rows and most pings are
// shown: the write waits for the disk.
inline constexpr std::chrono::milliseconds kKeepDelay = std::chrono::seconds(3);
// Answers are shown in batches at most this often: one repaint for a run of them.
inline constexpr std::chrono::milliseconds kBatchDelay{16};
// The status line's sums and the details follow a run of answers this long after its first.
inline constexpr std::chrono::milliseconds kLineDelay{100};
// Once answers have stopped coming this long, the rows are sorted and filtered by what they now
// say (unless the rows are held, the pointer over them).
inline constexpr std::chrono::milliseconds kSettleDelay{600};

// The pings are handed to the status service this many at a time, one turn of the event loop
// each, so that thousands of rows never hold up the window: the service sends one a millisecond,
// so the next are handed long before it runs out.
inline constexpr std::size_t kAskStep = 250;

// The wall clock the browser reads: when a list came, when a server was played.
using WallClock = std::function<std::time_t()>;

// The Servers window's behaviour: which list it shows (the one kept from an earlier run, then
// the one just got), when the list is asked, the pings merged in, and its status line.
class ServersBrowser {
  public:
    struct Hooks {
        std::function<void()> rowsReplaced;
        // Servers found later are added at the end: the rows first to last are about to be
        // added, then were.
        std::function<void(std::size_t first, std::size_t last)> rowsAdding;
        std::function<void(std::size_t first, std::size_t last)> rowsAdded;
        // An answer changed the row: called at once, before it is shown with rowsChanged.
        std::function<void(std::size_t row)> rowChanged;
        std::function<void()> lineChanged;  // the phase changed
        // The list could not be kept ("<path>: <why>"): told the first time only.
        std::function<void(const std::string& why)> keepFailed;
        // A batch of answers to show: the rows first to last changed.
        std::function<void(std::size_t first, std::size_t last)> rowsChanged;
        // A run of answers came: the status line's sums and the details are due.
        std::function<void()> answersSummed;
        // Answers stopped coming: the rows are sorted and filtered again, unless they are held
        // (rowsHeld() says true), when it waits as long again.
        std::function<bool()> rowsHeld;
        std::function<void()> settled;
        // Every kRefreshPeriod while shown, before the list is asked again.
        std::function<void()> refreshed;
    };
    // The delays: each a timer of its own.
    struct Timers {
        Timer& refresh;
        Timer& keep;
        Timer& batch;
        Timer& line;
        Timer& settle;
        Timer& ask;  // the next step of the asking (see kAskStep)
    };
    enum class Phase { Idle, Getting, Listed, Failed };

    // The servers come from the sources; the rows are asked through a client of the status
    // service of their own. A list's rows are made on the sources' worker, when they have one:
    // thousands of them never hold up the window.
    ServersBrowser(ServerSources& sources, status::StatusService& status, std::string keptPath,
                   WallClock now, const Timers& timers, Hooks hooks);
    // An ask of the sources under way is dropped, and the list got is kept.
    ~ServersBrowser();
    ServersBrowser(const ServersBrowser&) = delete;
    ServersBrowser& operator=(const ServersBrowser&) = delete;

    // The list's base URL; empty turns the list off.
    void setListUrl(std::string url) { url_ = std::move(url); }
    // The masters' setting (keys::serversMasters); empty turns them off.
    void setMasters(std::string masters) { masters_ = std::move(masters); }
    // The window opened: shows the kept list when none is shown yet, and asks for the list
    // unless the one shown was got in this run under a minute ago.
    void opened();
    // The window closed: a walk under way is dropped, the list got is kept.
    void closed();
    // Asks for the list (F5, Refresh, every kRefreshPeriod while shown).
    void refresh();

    // Shows the servers played recently instead of the list, in their order, each asked
    // directly; the list goes on being got and kept meanwhile, and comes back with showListed.
    void showPlayed(const std::vector<PlayedServer>& played);
    void showListed();
    bool showingPlayed() const { return played_; }
    // The row of a server (its IP without regard to case or blanks), shown or kept aside while
    // the played servers are shown; none when neither holds it.
    const ServerRow* findRow(std::string_view ip, std::uint16_t port) const;
    // The index in rows() of the row of a server (its IP as the row has it); none: no row.
    std::optional<std::size_t> rowOf(const std::string& ip, std::uint16_t port) const;

    const std::vector<ServerRow>& rows() const { return rows_; }
    Phase phase() const { return phase_; }
    // Whether the rows are a list kept from an earlier run, shown dimmed.
    bool showingKept() const { return kept_; }
    std::optional<std::time_t> listTime() const { return listTime_; }
    // The status line: the number of rows the filter lets through (indexes in rows()) and
    // their players.
    std::string statusLine(const std::vector<std::size_t>& shownRows) const;

    // The bookmarks' servers (IP and port texts), marked in the rows.
    void setBookmarks(const std::vector<std::pair<std::string, std::string>>& servers);
    // Writes the list last got to the cache, if it is not there yet. Called a while after the
    // list came: the write waits for the disk, which must not hold up the rows or the pings.
    void keepList();
    bool listToKeep() const { return keepPending_; }

  private:
    void pingChanged(const status::ServerKey& server);
    void batchDue();
    struct Building;
    // Shows a list: kept from an earlier run, or fresh (got now, to keep).
    void show(std::shared_ptr<const ServerSources::Servers> servers, std::time_t time, bool kept);
    void install(Building& built);
    void askPings();
    void askStep();
    void hand(std::vector<status::Request> requests);
    void gathered(std::shared_ptr<const ServerSources::Servers> servers);
    void addPending();
    void setPhase(Phase phase);
    void markBookmarks(std::size_t from = 0);
    void index();

    ServerSources& sources_;
    status::StatusClient pings_;
    std::string keptPath_;
    WallClock now_;
    Timers timers_;
    Hooks hooks_;
    std::string url_;
    std::string masters_;
    bool keptFromLoopback_ = false;    // the list to keep names loopback servers
    std::vector<ServerRow> rows_;      // those shown
    std::vector<ServerRow> listRows_;  // the list's, while the played servers are shown
    bool played_ = false;
    std::map<status::ServerKey, std::size_t> index_;
    // The pings of the rows shown, in the order asked, and how many are handed to the service.
    std::vector<status::Request> toAsk_;
    std::size_t asked_ = 0;
    // The servers handed so far: once all are, the client wants only these. Until then the
    // servers of the rows before stay wanted, so that a server still listed keeps its answer.
    std::set<status::ServerKey> handed_;
    // The rows changed since the batch timer was started.
    std::size_t changedFirst_ = static_cast<std::size_t>(-1);
    std::size_t changedLast_ = 0;
    std::vector<std::pair<std::string, std::string>> bookmarks_;
    Phase phase_ = Phase::Idle;
    bool kept_ = false;
    bool keptLoaded_ = false;
    bool quiet_ = false;  // while asking: the rows are merged afterwards
    std::optional<std::time_t> listTime_;
    bool keepPending_ = false;  // the list shown was got in this run and is not kept yet
    bool keepFailureTold_ = false;
    Worker* worker_;
    std::shared_ptr<Building> building_;  // the rows of a list being made on the worker
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    // The servers the sources added, to show with the next batch, once the list's rows are made
    // and shown.
    ServerSources::Servers pendingAdded_;
};

}  // namespace zerlin::servers
