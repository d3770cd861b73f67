#pragma once

#include <QSortFilterProxyModel>
#include <string>

#include "servers/server_rows.h"

namespace zerlin::app {

class ServersModel;

// Filters and sorts the Servers window's rows by the core's rules. Sorting is stable and runs
// only when asked (a click on a header, a new list), so that rows do not move under the
// pointer while answers come in.
class ServersProxy : public QSortFilterProxyModel {
  public:
    ServersProxy(ServersModel& model, QObject* parent = nullptr);

    void setFilter(const servers::Filter& filter);
    // Keeps only the rows where a friend plays.
    void setFriendsOnly(bool on);
    // Sorts and filters again by the rows' present values.
    void refilter();

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

  private:
    ServersModel& model_;
    servers::Filter filter_;
    std::string folded_;
    bool friendsOnly_ = false;
};

}  // namespace zerlin::app
