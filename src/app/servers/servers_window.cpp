#include "app/servers/servers_window.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <ctime>

#include "app/servers/servers_model.h"
#include "app/servers/servers_proxy.h"
#include "platform/qt/strings.h"
#include "servers/servers_prefs.h"
#include "settings/settings.h"

namespace zerlin::app {

ServersWindow::ServersWindow(SettingsBackend& settings, status::StatusService& status,
                             servers::ServerSources& sources, std::string keptPath, Actions actions,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), actions_(std::move(actions)) {
    servers::ServersBrowser::Hooks hooks;
    hooks.rowsReplaced = [this] { rowsReplaced(); };
    hooks.rowsAdding = [this](std::size_t first, std::size_t last) { model_->adding(first, last); };
    hooks.rowsAdded = [this](std::size_t first, std::size_t last) { model_->added(first, last); };
    hooks.rowChanged = [this](std::size_t row) { model_->matchFriends(row); };
    hooks.lineChanged = [this] { showLine(); };
    hooks.keepFailed = [this](const std::string& why) {
        if (actions_.tell) {
            actions_.tell("Zerlin couldn't keep the server list: " + why);
        }
    };
    hooks.rowsChanged = [this](std::size_t first, std::size_t last) {
        model_->rowsChanged(first, last);
    };
    hooks.answersSummed = [this] {
        showLine();
        showDetails();
    };
    hooks.rowsHeld = [this] { return table_->viewport()->underMouse(); };
    hooks.settled = [this] {
        proxy_->refilter();
        showLine();
    };
    hooks.refreshed = [this] { playedChanged(); };
    browser_ = std::make_unique<servers::ServersBrowser>(
        sources, status, std::move(keptPath), [] { return std::time(nullptr); },
        servers::ServersBrowser::Timers{refreshTimer_, keepTimer_, batchTimer_, lineTimer_,
                                        settleTimer_, askTimer_},
        std::move(hooks));
    build();
    connectControls();
}

void ServersWindow::restoreSettings() {
    if (restored_) {
        return;
    }
    restored_ = true;
    const servers::Filter filter = servers::readFilter(settings_);
    {
        const QSignalBlocker blockFilter(filter_);
        const QSignalBlocker blockPing(maxPing_);
        filter_->setText(qt::toQString(filter.text));
        maxPing_->setValue(filter.maxPing);
        for (const auto& [box, on] :
             {std::pair(hideEmpty_, filter.hideEmpty), std::pair(hideFull_, filter.hideFull),
              std::pair(hidePassword_, filter.hidePassword),
              std::pair(friendsOnly_, filter.friendsOnly),
              std::pair(installedModsOnly_, filter.installedModsOnly)}) {
            const QSignalBlocker block(box);
            box->setChecked(on);
        }
    }
    const servers::Layout layout = servers::readLayout(settings_);
    resize(layout.width, layout.height);
    for (int column = 0; column < servers::kColumns; ++column) {
        table_->setColumnWidth(column, layout.columnWidths.at(static_cast<std::size_t>(column)));
    }
    if (layout.sortColumn >= 0) {
        table_->sortByColumn(layout.sortColumn,
                             layout.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    proxy_->setFilter(currentFilter());
}

servers::Filter ServersWindow::currentFilter() const {
    servers::Filter filter{qt::toStdString(filter_->text()),
                           hideEmpty_->isChecked(),
                           hideFull_->isChecked(),
                           hidePassword_->isChecked(),
                           maxPing_->value(),
                           installedModsOnly_->isChecked(),
                           mods_};
    filter.friendsOnly = friendsOnly_->isChecked();
    return filter;
}

void ServersWindow::filtersEdited() {
    const servers::Filter filter = currentFilter();
    proxy_->setFilter(filter);
    showLine();
    servers::writeFilter(settings_, filter);
}

// Reads the installed mods again where they changed: when the window is shown and when a list
// comes, never for a paint; refilter: the rows are filtered again at once.
void ServersWindow::modsChanged(bool refilter) {
    mods_ = actions_.installedMods ? actions_.installedMods() : nullptr;
    model_->setMods(mods_);
    proxy_->setFilter(currentFilter(), refilter);
}

void ServersWindow::saveLayout() {
    if (!restored_) {
        return;
    }
    servers::Layout layout{width(), height()};
    for (int column = 0; column < servers::kColumns; ++column) {
        layout.columnWidths.at(static_cast<std::size_t>(column)) = table_->columnWidth(column);
    }
    const QHeaderView* header = table_->horizontalHeader();
    // The played servers' order by time is their own: the list's is what is kept.
    const bool played = browser_->showingPlayed();
    layout.sortColumn = played ? listSortColumn_ : header->sortIndicatorSection();
    layout.descending =
        (played ? listSortOrder_ : header->sortIndicatorOrder()) == Qt::DescendingOrder;
    servers::writeLayout(settings_, layout);
}

void ServersWindow::open() {
    restoreSettings();
    show();
    raise();
    activateWindow();
}

void ServersWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    restoreSettings();
    // The list's URL is read afresh each time, so that an edited settings file takes effect.
    browser_->setListUrl(servers::listUrl(settings_));
    const std::optional<std::string> masters =
        settings_.find(keys::serversMasters.section, keys::serversMasters.key);
    browser_->setMasters(masters ? *masters : std::string(keys::kDefaultServersMasters));
    bookmarksChanged();
    modsChanged();
    browser_->opened();
    if (played_->isChecked()) {
        // Read afresh, newest first: another copy may have joined meanwhile.
        showPlayed(true);
    }
}

void ServersWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    browser_->closed();
    saveLayout();
}

bool ServersWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            table_->currentIndex().isValid()) {
            joinRow(table_->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ServersWindow::bookmarksChanged() {
    if (actions_.bookmarks) {
        browser_->setBookmarks(actions_.bookmarks());
        if (model_->rowCount() > 0) {
            emit model_->dataChanged(model_->index(0, 0), model_->index(model_->rowCount() - 1, 0));
        }
    }
}

void ServersWindow::rowsReplaced() {
    // The server chosen stays chosen across a refresh, and the rows stay where they were.
    const std::optional<std::pair<std::string, std::uint16_t>> chosen = chosen_;
    const int scrolled = table_->verticalScrollBar()->value();
    // Sorted and filtered once, by the reset.
    modsChanged(false);
    model_->replaced();
    if (const std::optional<std::size_t> row =
            chosen ? browser_->rowOf(chosen->first, chosen->second) : std::nullopt) {
        table_->setCurrentIndex(proxy_->mapFromSource(model_->index(static_cast<int>(*row), 0)));
    }
    table_->verticalScrollBar()->setValue(scrolled);
    const std::optional<std::time_t> time = browser_->listTime();
    kept_->setText(browser_->showingKept() && time && !browser_->showingPlayed()
                       ? qt::toQString("List of " + servers::clockTime(*time))
                       : QString());
    showLine();
    showDetails();
}

void ServersWindow::showLine() {
    status_->setText(qt::toQString(browser_->statusLine(proxy_->shownRows())));
    if (!browser_->showingKept() || browser_->showingPlayed()) {
        kept_->clear();
    }
    // Read out as shown: the line, then the kept list's time when there is one.
    status_->setAccessibleDescription(
        kept_->text().isEmpty() ? status_->text() : status_->text() + ' ' + kept_->text());
}

void ServersWindow::refreshNow() {
    // The played servers are asked again, and read again: another copy may have joined
    // meanwhile. The order the user chose stays.
    playedChanged();
    // The list goes on being got in the background, for when it is shown again.
    browser_->refresh();
}

void ServersWindow::showPlayed(bool on) {
    QHeaderView* header = table_->horizontalHeader();
    const int lastPlayed = static_cast<int>(servers::Column::LastPlayed);
    if (on) {
        if (!browser_->showingPlayed()) {
            listSortColumn_ = header->sortIndicatorSection();
            listSortOrder_ = header->sortIndicatorOrder();
        }
        browser_->showPlayed(actions_.played ? actions_.played()
                                             : std::vector<servers::PlayedServer>());
        table_->setColumnHidden(lastPlayed, false);
        table_->sortByColumn(lastPlayed, Qt::DescendingOrder);
    } else if (browser_->showingPlayed()) {
        browser_->showListed();
        table_->setColumnHidden(lastPlayed, true);
        table_->sortByColumn(listSortColumn_, listSortOrder_);
    }
}

void ServersWindow::playedChanged() {
    if (browser_->showingPlayed() && isVisible()) {
        // Kept in the order the user chose; a new join shows first when sorted by time.
        const QHeaderView* header = table_->horizontalHeader();
        const int column = header->sortIndicatorSection();
        const Qt::SortOrder order = header->sortIndicatorOrder();
        browser_->showPlayed(actions_.played ? actions_.played()
                                             : std::vector<servers::PlayedServer>());
        table_->sortByColumn(column, order);
    }
}

void ServersWindow::friendsChanged() {
    model_->setFriends(actions_.friends ? actions_.friends() : nullptr);
    model_->replaced();
    proxy_->refilter();
    showLine();
    showDetails();
}

void ServersWindow::showDetails() {
    const servers::ServerRow* row = rowAt(table_->currentIndex());
    if (table_->currentIndex().isValid()) {
        chosen_ = row ? std::optional(std::pair(row->listed.ip, row->listed.port)) : std::nullopt;
    }
    QString text = row ? qt::toQString(servers::detailsText(*row, mods_)) : QString();
    if (row) {
        if (const std::vector<std::string>& names = model_->friendsOn(*row); !names.empty()) {
            QStringList friends;
            for (const std::string& name : names) {
                friends << qt::toQString(name);
            }
            text += "\nFriends: " + friends.join(", ");
        }
    }
    if (details_->toPlainText() != text) {
        details_->setPlainText(text);
    }
}

const servers::ServerRow* ServersWindow::rowAt(const QModelIndex& proxyIndex) const {
    return proxyIndex.isValid() ? model_->row(proxy_->mapToSource(proxyIndex).row()) : nullptr;
}

void ServersWindow::joinRow(const QModelIndex& index) {
    const servers::ServerRow* row = rowAt(index);
    if (row && actions_.join) {
        // Copies: the join may show a message, and answers may replace the rows meanwhile.
        const std::string ip = row->listed.ip;
        const std::string port = std::to_string(row->listed.port);
        actions_.join(ip, port);
    }
}

}  // namespace zerlin::app
