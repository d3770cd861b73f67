#include "app/servers/servers_proxy.h"

#include "app/servers/servers_model.h"
#include "text/case_fold.h"

namespace zerlin::app {

ServersProxy::ServersProxy(ServersModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
    setSourceModel(&model);
    setDynamicSortFilter(false);
}

void ServersProxy::setFilter(const servers::Filter& filter, bool now) {
    filter_ = filter;
    folded_ = text::foldCase(filter.text);
    if (now) {
        refilter();
    }
}

std::vector<std::size_t> ServersProxy::shownRows() const {
    std::vector<std::size_t> rows;
    const int shown = rowCount();
    rows.reserve(static_cast<std::size_t>(shown));
    for (int r = 0; r < shown; ++r) {
        rows.push_back(static_cast<std::size_t>(mapToSource(index(r, 0)).row()));
    }
    return rows;
}

void ServersProxy::refilter() {
    invalidate();
    if (sortColumn() >= 0) {
        sort(sortColumn(), sortOrder());
    }
}

bool ServersProxy::filterAcceptsRow(int sourceRow, const QModelIndex& /*sourceParent*/) const {
    const servers::ServerRow* row = model_.row(sourceRow);
    return row && servers::passes(*row, filter_, folded_,
                                  filter_.friendsOnly && !model_.friendsOn(*row).empty());
}

bool ServersProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const servers::ServerRow* a = model_.row(left.row());
    const servers::ServerRow* b = model_.row(right.row());
    return a && b && servers::lessThan(*a, *b, static_cast<servers::Column>(left.column()));
}

}  // namespace zerlin::app
