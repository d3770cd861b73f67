#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <string>
#include <vector>

#include "friends/friend_patterns.h"
#include "servers/servers_browser.h"

namespace zerlin::app {

// The Servers window's rows, read straight from the browser: no copy, no widget per row.
class ServersModel : public QAbstractTableModel {
  public:
    explicit ServersModel(const servers::ServersBrowser& browser, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const servers::ServerRow* row(int index) const;
    // The friends marked in the rows; none: no row is marked. Matched with the next replaced().
    void setFriends(const friends::FriendPatterns* friends) { friends_ = friends; }
    // The mods installed, whose names the Mod column shows.
    void setMods(const mods::ModTable* mods) { mods_ = mods; }
    // The players on a row's server who are friends, in the server's order, as last matched.
    const std::vector<std::string>& friendsOn(const servers::ServerRow& row) const;
    // A row's answer came: its friends are matched again (shown with the next rowsChanged()).
    void matchFriends(std::size_t row);

    // The browser's list was replaced (its friends are matched), or rows of it changed.
    void replaced();
    void rowsChanged(std::size_t first, std::size_t last);
    // Rows are about to be added at the end of the browser's, then were (their friends matched).
    void adding(std::size_t first, std::size_t last);
    void added(std::size_t first, std::size_t last);

  private:
    // The padlock and bookmark flag of the Server column.
    QVariant mark(const servers::ServerRow& row) const;
    // The Server cell's marks for assistive technology.
    QString description(const servers::ServerRow& row) const;

    const servers::ServersBrowser& browser_;
    QIcon lock_;
    QIcon bookmark_;
    QIcon lockedBookmark_;
    const friends::FriendPatterns* friends_ = nullptr;
    // Each row's friends, matched when the row or the friends change: drawing, sorting and
    // filtering read them here.
    std::vector<std::vector<std::string>> rowFriends_;
    const mods::ModTable* mods_ = nullptr;
};

}  // namespace zerlin::app
