#pragma once

#include <QObject>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <functional>
#include <memory>
#include <set>

#include "app/main/form1_window.h"
#include "app/status/status_tooltip.h"
#include "friends/friend_patterns.h"
#include "mods/installed_mods.h"
#include "platform/controls.h"
#include "status/list_status.h"
#include "status/status_service.h"

namespace zerlin::app {

// Every 2 minutes while Zerlin runs, the list asks its servers again.
inline constexpr int kStatusRefreshMs = 2 * 60 * 1000;
// The boxes' server is asked once the IP and port stay unchanged this long.
inline constexpr int kBoxesSettleMs = 600;
// Answers are shown in batches at most this often: one repaint of the list for a run of
// answers, rather than one for each of the hundreds that come a millisecond apart.
inline constexpr int kStatusShowMs = 16;

// The servers' status in the main window: the list's rows get their server's state as item
// data (drawn beside the row) and accessible description, and as the row's tooltip when it is
// shown; the IP box, the boxes' server's state as its tooltip. Nothing a server sends goes
// anywhere else.
class StatusWiring {
  public:
    // The list's rows and the boxes are one client of the service.
    StatusWiring(Form1Window& window, const ListBox& list, status::StatusService& service);
    ~StatusWiring();
    StatusWiring(const StatusWiring&) = delete;
    StatusWiring& operator=(const StatusWiring&) = delete;

    // Starts asking: asks every row's server and the boxes' one. Called once the window is
    // shown, so that start-up stays as fast as without.
    void start();
    // Calls start() once the event loop comes round: after the window shown has been mapped.
    void startSoon() { starter_.start(); }
    // Asks every row's server again (F5, the 2-minute timer).
    void refresh();

    status::StatusService* service() { return &service_; }
    // The friends a row's tooltip names when its server's answer lists them.
    void setFriends(std::function<const friends::FriendPatterns*()> friends) {
        friends_ = std::move(friends);
    }
    // The mods installed, which the tooltips' mod line names.
    void setMods(std::function<const mods::ModTable*()> mods) { mods_ = std::move(mods); }
    // Whether none of the list's and the boxes' servers is being asked and every answer is
    // shown.
    bool idle() const { return (!rows_ || !rows_->client().busy()) && changed_.empty(); }

  private:
    void refreshSoon();
    void rowsRemovedSoon();
    void showRows();
    void showRow(int index);
    void changed(const status::ServerKey& server);
    void showChanged();
    void boxesEdited();

    Form1Window& window_;
    const ListBox& list_;
    status::StatusService& service_;
    std::unique_ptr<status::ListStatus> rows_;
    QTimer settle_;  // runs the pending list update once the command that changed it ended
    bool refreshPending_ = false;
    QTimer periodic_;
    QTimer boxesTimer_;
    QTimer starter_;
    QTimer showTimer_;  // shows the servers changed since it was started
    std::set<status::ServerKey> changed_;
    QObject context_;
    QPointer<QShortcut> f5_;
    std::unique_ptr<StatusToolTip> rowTip_;
    std::unique_ptr<StatusToolTip> boxesTip_;
    std::function<const friends::FriendPatterns*()> friends_;
    std::function<const mods::ModTable*()> mods_;
};

}  // namespace zerlin::app
