#pragma once

#include <QAbstractTableModel>
#include <QIcon>

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

    // The browser's list was replaced, or rows of it changed.
    void replaced();
    void rowsChanged(std::size_t first, std::size_t last);

  private:
    const servers::ServersBrowser& browser_;
    QIcon lock_;
    QIcon bookmark_;
    QIcon lockedBookmark_;
};

}  // namespace zerlin::app
