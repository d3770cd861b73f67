#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/controls.h"
#include "platform/desktop.h"
#include "status/status_service.h"

// Waiting for a bookmarked server: join it when a slot frees, or tell the user when it is up.
namespace zerlin::waiting {

// How often the waited server is asked.
inline constexpr std::chrono::microseconds kAskInterval = std::chrono::seconds(5);
// How often a join held back by a modal dialog looks whether the dialog is closed.
inline constexpr std::chrono::microseconds kModalRecheck = std::chrono::milliseconds(250);

enum class Wait {
    None,
    ForSlot,  // joins when the server is no longer full
    ForUp,    // tells the user once when the server answers
};

// One wait at a time, on one bookmark row. The row is followed through rows inserted or
// removed before it; the wait ends when the row itself is removed or the list is replaced.
// Nothing of it is stored.
class SlotWatch {
  public:
    struct Hooks {
        // Asks the server for its status; the answer comes back through serverChanged().
        std::function<void(const status::ServerKey&)> ask;
        // Puts the row's IP and port into the boxes as a double-click does and runs the join
        // as a click on JOIN does. The wait has ended when it is called.
        std::function<void(const std::string& row)> join;
        // The wait began, moved or ended: the rows' marks need drawing again.
        std::function<void()> changed;
    };

    SlotWatch(const ListBox& list, Timer& timer, Notifier& notifier, const ModalState& modal,
              Hooks hooks);
    SlotWatch(const SlotWatch&) = delete;
    SlotWatch& operator=(const SlotWatch&) = delete;

    // Starts waiting on the row, ending any other wait. A row that names no usable server is
    // waited on all the same: it never answers.
    void waitForSlot(int row);
    void tellWhenUp(int row);
    // Waits for a slot on a server that is no row of the list (one of the Servers window),
    // given as a bookmark entry; the list's changes do not end it.
    void waitForServer(const std::string& entry);
    void stop();

    Wait wait() const { return wait_; }
    // The row waited on, if any.
    std::optional<int> row() const;
    // "waiting for a slot" or "waiting for it to come up" for the row waited on, else empty.
    std::string describeRow(int row) const;

    // What happened to the list.
    void rowsInserted(int first, int count);
    void rowsRemoved(int first, int count);
    void listReplaced();

    // A server's state changed (from the status service's change handler).
    void serverChanged(const status::ServerKey& server, const status::ServerState& state);

  private:
    void start(int row, Wait wait);
    void begin(int row, const std::string& entry, Wait wait);
    void tick();
    void end();

    const ListBox& list_;
    Timer& timer_;
    Notifier& notifier_;
    const ModalState& modal_;
    Hooks hooks_;

    Wait wait_ = Wait::None;
    int row_ = -1;  // -1 while waiting on a server that is no row
    std::string rowText_;
    status::ServerKey server_;
    bool free_ = false;      // a slot is free (or the server is up): the end is due
    bool notified_ = false;  // the notification of it went out
};

}  // namespace zerlin::waiting
