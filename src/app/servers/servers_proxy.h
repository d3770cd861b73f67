#pragma once

#include <QSortFilterProxyModel>
#include <string>
#include <vector>

#include "servers/server_rows.h"

namespace zerlin::app {

class ServersModel;

// Filters and sorts the Servers window's rows by the core's rules. Sorting is stable and runs
// only when asked (a click on a header, a new list), so that rows do not move under the
// pointer while answers come in.
class ServersProxy : public QSortFilterProxyModel {
  public:
    ServersProxy(ServersModel& model, QObject* parent = nullptr);

    // now: filters at once; else with the next reset of the model or refilter().
    void setFilter(const servers::Filter& filter, bool now = true);
    // Sorts and filters again by the rows' present values.
    void refilter();
    // The rows shown, as the browser numbers them.
    std::vector<std::size_t> shownRows() const;

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

  private:
    ServersModel& model_;
    servers::Filter filter_;
    std::string folded_;
};

}  // namespace zerlin::app
