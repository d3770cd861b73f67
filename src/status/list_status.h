#pragma once

#include <optional>
#include <vector>

#include "platform/controls.h"
#include "status/status_client.h"

// The status of the bookmark list's rows and of the server in the IP and port boxes, as one
// client of the status service. It reads the rows through the list; it never changes them.
namespace zerlin::status {

class ListStatus {
  public:
    ListStatus(const ListBox& list, StatusService& service);

    // Asks the server of every row, and the boxes' server when no row names it (start-up's
    // loads, Open, Add, the periodic refresh and F5).
    void refresh();
    // Rows went away (DELETE, a list cleared): forgets every server that no row and not the
    // boxes name, asking nothing.
    void rowsRemoved();
    // The IP and port boxes changed: asks their server when no row names it and it was not
    // asked for these texts yet.
    void setBoxes(const ServerKey& boxes);

    // The rows that name this server, as of the last refresh() or rowsRemoved().
    std::vector<int> rowsOf(const ServerKey& server) const;
    const ServerKey& rowServer(int index) const;
    const ServerKey& boxes() const { return boxes_; }
    // The state of the boxes' server (never asked when a row names it: the row shows it).
    const ServerState& boxesState() const { return client_.state(boxes_); }
    StatusClient& client() { return client_; }

  private:
    void readRows();
    std::vector<ServerKey> wanted() const;
    bool isBookmark(const ServerKey& server) const;

    const ListBox& list_;
    StatusClient client_;
    std::vector<ServerKey> rows_;
    ServerKey boxes_;
};

}  // namespace zerlin::status
