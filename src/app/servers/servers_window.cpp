#include "app/servers/servers_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <charconv>
#include <ctime>
#include <limits>

#include "app/servers/servers_model.h"
#include "app/servers/servers_proxy.h"
#include "app/servers/status_pings.h"
#include "platform/qt/strings.h"
#include "settings/settings.h"

namespace zerlin::app {

namespace {

constexpr int kLineDelayMs = 100;
// The list is written to the cache this long after it came, once its rows and most pings are
// shown: the write waits for the disk.
constexpr int kKeepDelayMs = 3000;
// Once answers have stopped coming this long, the rows are sorted and filtered by what they now
// say, unless the pointer is over them.
constexpr int kSettledMs = 600;
// Answers are shown in batches at most this often: one repaint for a run of them.
constexpr int kChangedDelayMs = 16;

int toInt(const std::string& text, int fallback) {
    int value = fallback;
    const char* end = text.data() + text.size();
    if (std::from_chars(text.data(), end, value).ptr != end) {
        return fallback;
    }
    return value;
}

std::string yesNo(bool on) {
    return on ? "yes" : "no";
}

}  // namespace

ServersWindow::ServersWindow(SettingsBackend& settings, status::StatusService& status,
                             servers::ListWalk& walk, std::string keptPath, Actions actions,
                             QWidget* parent)
    : QWidget(parent, Qt::Window),
      settings_(settings),
      actions_(std::move(actions)),
      pings_(std::make_unique<StatusPings>(status)),
      walk_(walk) {
    browser_ = std::make_unique<servers::ServersBrowser>(
        walk_, *pings_, std::move(keptPath), [] { return std::time(nullptr); },
        servers::ServersBrowser::Hooks{
            [this] { rowsReplaced(); }, [this](std::size_t row) { rowChanged(row); },
            [this] { showLine(); },
            [this](const std::string& why) {
                if (!closing_ && actions_.tell) {
                    actions_.tell("Zerlin couldn't keep the server list: " + why);
                }
            }});
    pings_->setHandler(
        [this](const std::string& ip, std::uint16_t port) { browser_->pingChanged(ip, port); });
    build();
    periodic_.setInterval(kServersRefreshMs);
    connect(&periodic_, &QTimer::timeout, this, [this] { refreshNow(); });
    settledTimer_.setSingleShot(true);
    settledTimer_.setInterval(kSettledMs);
    connect(&settledTimer_, &QTimer::timeout, this, [this] {
        if (table_->viewport()->underMouse()) {
            settledTimer_.start();
        } else {
            proxy_->refilter();
            showLine();
        }
    });
    keepTimer_.setSingleShot(true);
    keepTimer_.setInterval(kKeepDelayMs);
    connect(&keepTimer_, &QTimer::timeout, this, [this] { browser_->keepList(); });
    changedTimer_.setSingleShot(true);
    changedTimer_.setInterval(kChangedDelayMs);
    connect(&changedTimer_, &QTimer::timeout, this, [this] { showChanged(); });
    lineTimer_.setSingleShot(true);
    lineTimer_.setInterval(kLineDelayMs);
    connect(&lineTimer_, &QTimer::timeout, this, [this] {
        showLine();
        showDetails();
    });
}

ServersWindow::~ServersWindow() {
    closing_ = true;
    walk_.cancel();
    browser_->keepList();
    // The table, its proxy and its model read the browser: they go before the members do.
    while (!children().isEmpty()) {
        delete children().first();
    }
}

void ServersWindow::build() {
    setObjectName("Servers");
    setWindowTitle("Servers");
    setWindowIcon(QApplication::windowIcon());

    filter_ = new QLineEdit(this);
    filter_->setObjectName("Filter");
    filter_->setAccessibleName("Filter");
    filter_->setPlaceholderText("Filter");
    filter_->setClearButtonEnabled(true);
    // Room for a few words however many check boxes stand beside it.
    filter_->setMinimumWidth(120);
    hideEmpty_ = new QCheckBox("Hide empty", this);
    hideEmpty_->setObjectName("HideEmpty");
    hideFull_ = new QCheckBox("Hide full", this);
    hideFull_->setObjectName("HideFull");
    hidePassword_ = new QCheckBox("Hide password", this);
    hidePassword_->setObjectName("HidePassword");
    friendsOnly_ = new QCheckBox("Friends only", this);
    friendsOnly_->setObjectName("FriendsOnly");
    played_ = new QCheckBox("Played recently", this);
    played_->setObjectName("PlayedRecently");
    played_->setToolTip("The servers you joined lately instead of the server list");
    installedModsOnly_ = new QCheckBox("Installed mods only", this);
    installedModsOnly_->setObjectName("InstalledModsOnly");
    friendsButton_ = new QPushButton("Friends", this);
    friendsButton_->setObjectName("Friends");
    friendsButton_->setToolTip("The names and patterns of your friends");
    auto* maxPingLabel = new QLabel("Max ping", this);
    maxPing_ = new QSpinBox(this);
    maxPing_->setObjectName("MaxPing");
    maxPing_->setAccessibleName("Max ping");
    maxPing_->setRange(0, 9999);
    maxPing_->setSingleStep(10);
    maxPing_->setSpecialValueText("any");
    maxPing_->setSuffix(" ms");
    maxPingLabel->setBuddy(maxPing_);
    refresh_ = new QPushButton("Refresh", this);
    refresh_->setObjectName("Refresh");
    refresh_->setToolTip("Ask for the server list again (F5)");

    auto* filters = new QHBoxLayout;
    filters->addWidget(filter_, 1);
    filters->addWidget(hideEmpty_);
    filters->addWidget(hideFull_);
    filters->addWidget(hidePassword_);
    filters->addWidget(friendsOnly_);
    filters->addWidget(installedModsOnly_);
    filters->addWidget(maxPingLabel);
    filters->addWidget(maxPing_);
    filters->addWidget(friendsButton_);
    filters->addWidget(refresh_);

    model_ = new ServersModel(*browser_, this);
    model_->setFriends(actions_.friends ? actions_.friends() : nullptr);
    proxy_ = new ServersProxy(*model_, this);
    table_ = new QTableView(this);
    table_->setObjectName("ServerTable");
    table_->setAccessibleName("Servers");
    table_->setModel(proxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(-1, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->setShowGrid(false);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    // One height for every row: no row measured, so that 10,000 rows stay quick.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionsMovable(true);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->installEventFilter(this);
    const int widths[servers::kColumns] = {260, 70, 110, 90, 80, 75, 150, 90};
    for (int column = 0; column < servers::kColumns; ++column) {
        table_->setColumnWidth(column, widths[column]);
    }
    // Shown beside the name, where the user looks first, when it is shown at all.
    table_->horizontalHeader()->moveSection(static_cast<int>(servers::Column::LastPlayed), 1);
    table_->setColumnHidden(static_cast<int>(servers::Column::LastPlayed), true);

    details_ = new QPlainTextEdit(this);
    details_->setObjectName("Details");
    details_->setAccessibleName("Server details");
    details_->setReadOnly(true);
    details_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    details_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(table_);
    splitter->addWidget(details_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    status_ = new QLabel(this);
    status_->setObjectName("ServersStatus");
    status_->setAccessibleName("Servers status");
    status_->setTextFormat(Qt::PlainText);
    kept_ = new QLabel(this);
    kept_->setObjectName("KeptTime");
    kept_->setTextFormat(Qt::PlainText);
    kept_->setEnabled(false);
    auto* line = new QHBoxLayout;
    // Beside the status line: the filters' row has no room to spare.
    line->addWidget(played_);
    line->addWidget(status_, 1);
    line->addWidget(kept_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addLayout(line);
    resize(900, 560);

    connect(filter_, &QLineEdit::textChanged, this, [this] { filtersEdited(); });
    for (QCheckBox* box : {hideEmpty_, hideFull_, hidePassword_, installedModsOnly_}) {
        connect(box, &QCheckBox::toggled, this, [this] { filtersEdited(); });
    }
    connect(maxPing_, &QSpinBox::valueChanged, this, [this] { filtersEdited(); });
    connect(friendsOnly_, &QCheckBox::toggled, this, [this](bool on) {
        proxy_->setFriendsOnly(on);
        showLine();
        saveFilters();
    });
    connect(friendsButton_, &QPushButton::clicked, this, [this] {
        if (actions_.editFriends && actions_.editFriends(this)) {
            friendsChanged();
        }
    });
    connect(played_, &QCheckBox::toggled, this, [this](bool on) { showPlayed(on); });
    connect(refresh_, &QPushButton::clicked, this, [this] { refreshNow(); });
    // Escape and the desktop's close key close it, as a window without a frame needs.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, [this] { refreshNow(); });
    connect(table_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { joinRow(i); });
    connect(table_, &QTableView::customContextMenuRequested, this,
            [this](const QPoint& at) { showMenu(at); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { showDetails(); });
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { saveLayout(); });
    connect(table_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this] { saveLayout(); });
}

void ServersWindow::restoreSettings() {
    if (restored_) {
        return;
    }
    restored_ = true;
    const QSignalBlocker blockFilter(filter_);
    const QSignalBlocker blockEmpty(hideEmpty_);
    const QSignalBlocker blockFull(hideFull_);
    const QSignalBlocker blockPassword(hidePassword_);
    const QSignalBlocker blockPing(maxPing_);
    const QSignalBlocker blockFriends(friendsOnly_);
    const QSignalBlocker blockMods(installedModsOnly_);
    filter_->setText(qt::toQString(read(settings_, keys::serversFilter)));
    hideEmpty_->setChecked(flag(settings_, keys::serversHideEmpty));
    hideFull_->setChecked(flag(settings_, keys::serversHideFull));
    hidePassword_->setChecked(flag(settings_, keys::serversHidePassword));
    maxPing_->setValue(std::max(0, toInt(read(settings_, keys::serversMaxPing), 0)));
    friendsOnly_->setChecked(flag(settings_, keys::serversFriendsOnly));
    installedModsOnly_->setChecked(flag(settings_, keys::serversInstalledModsOnly));
    // "width,height"
    const QStringList size = qt::toQString(read(settings_, keys::serversSize)).split(',');
    if (size.size() == 2 && size[0].toInt() >= 200 && size[1].toInt() >= 150) {
        resize(std::min(size[0].toInt(), 10000), std::min(size[1].toInt(), 10000));
    }
    // The columns' widths, then the sort column and order ("a" or "d").
    // A layout written before the Last played column came has one width less.
    const QStringList columns = qt::toQString(read(settings_, keys::serversColumns)).split(',');
    const auto widths = static_cast<int>(columns.size()) - 2;
    if (widths == servers::kColumns || widths == servers::kColumns - 1) {
        for (int column = 0; column < widths; ++column) {
            const int width = columns[column].toInt();
            if (width >= 20 && width <= 2000) {
                table_->setColumnWidth(column, width);
            }
        }
        const int sortColumn = columns[widths].toInt();
        if (sortColumn >= 0 && sortColumn < servers::kColumns) {
            table_->sortByColumn(
                sortColumn, columns[widths + 1] == "d" ? Qt::DescendingOrder : Qt::AscendingOrder);
        }
    }
    proxy_->setFilter(currentFilter());
    proxy_->setFriendsOnly(friendsOnly_->isChecked());
}

servers::Filter ServersWindow::currentFilter() const {
    return {qt::toStdString(filter_->text()),
            hideEmpty_->isChecked(),
            hideFull_->isChecked(),
            hidePassword_->isChecked(),
            maxPing_->value(),
            installedModsOnly_->isChecked(),
            mods_};
}

void ServersWindow::filtersEdited() {
    proxy_->setFilter(currentFilter());
    showLine();
    saveFilters();
}

// Reads the installed mods again where they changed: when the window is shown and when a list
// comes, never for a paint.
void ServersWindow::modsChanged() {
    mods_ = actions_.installedMods ? actions_.installedMods() : nullptr;
    model_->setMods(mods_);
    proxy_->setFilter(currentFilter());
}

void ServersWindow::saveFilters() {
    settings_.write(
        keys::serversFilter.section,
        SettingsEntries{
            {keys::serversFilter.key, qt::toStdString(filter_->text())},
            {keys::serversHideEmpty.key, yesNo(hideEmpty_->isChecked())},
            {keys::serversHideFull.key, yesNo(hideFull_->isChecked())},
            {keys::serversHidePassword.key, yesNo(hidePassword_->isChecked())},
            {keys::serversMaxPing.key, std::to_string(maxPing_->value())},
            {keys::serversFriendsOnly.key, yesNo(friendsOnly_->isChecked())},
            {keys::serversInstalledModsOnly.key, yesNo(installedModsOnly_->isChecked())}});
}

void ServersWindow::saveLayout() {
    if (!restored_) {
        return;
    }
    std::string columns;
    for (int column = 0; column < servers::kColumns; ++column) {
        columns += std::to_string(table_->columnWidth(column)) + ",";
    }
    const QHeaderView* header = table_->horizontalHeader();
    // The played servers' order by time is their own: the list's is what is kept.
    const bool played = browser_->showingPlayed();
    const int sortColumn = played ? listSortColumn_ : header->sortIndicatorSection();
    const Qt::SortOrder order = played ? listSortOrder_ : header->sortIndicatorOrder();
    columns += std::to_string(sortColumn) + "," + (order == Qt::DescendingOrder ? "d" : "a");
    settings_.write(keys::serversSize.section,
                    SettingsEntries{{keys::serversSize.key,
                                     std::to_string(width()) + "," + std::to_string(height())},
                                    {keys::serversColumns.key, columns}});
}

void ServersWindow::open() {
    if (!restored_) {
        restoreSettings();
    }
    show();
    raise();
    activateWindow();
}

void ServersWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    restoreSettings();
    // The list's URL is read afresh each time, so that an edited settings file takes effect.
    const std::optional<std::string> url =
        settings_.find(keys::serversListUrl.section, keys::serversListUrl.key);
    browser_->setListUrl(url ? *url : std::string(keys::kDefaultServersListUrl));
    bookmarksChanged();
    modsChanged();
    browser_->opened();
    if (played_->isChecked()) {
        // Read afresh, newest first: another copy may have joined meanwhile.
        showPlayed(true);
    }
    periodic_.start();
}

void ServersWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    periodic_.stop();
    browser_->closed();
    browser_->keepList();
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

void ServersWindow::rowChanged(std::size_t row) {
    model_->matchFriends(row);
    changedFirst_ = std::min(changedFirst_, row);
    changedLast_ = std::max(changedLast_, row);
    if (!changedTimer_.isActive()) {
        changedTimer_.start();
    }
}

void ServersWindow::showChanged() {
    if (changedFirst_ <= changedLast_ && changedLast_ < browser_->rows().size()) {
        model_->rowsChanged(changedFirst_, changedLast_);
    }
    changedFirst_ = std::numeric_limits<std::size_t>::max();
    changedLast_ = 0;
    if (!lineTimer_.isActive()) {
        lineTimer_.start();
    }
    settledTimer_.start();
}

void ServersWindow::rowsReplaced() {
    if (browser_->listToKeep()) {
        keepTimer_.start();
    }
    changedTimer_.stop();
    changedFirst_ = std::numeric_limits<std::size_t>::max();
    changedLast_ = 0;
    model_->replaced();
    modsChanged();
    const std::optional<std::time_t> time = browser_->listTime();
    kept_->setText(browser_->showingKept() && time && !browser_->showingPlayed()
                       ? qt::toQString("List of " + servers::clockTime(*time))
                       : QString());
    showLine();
    showDetails();
}

void ServersWindow::showLine() {
    long long players = 0;
    const int shown = proxy_->rowCount();
    for (int r = 0; r < shown; ++r) {
        if (const servers::ServerRow* row = rowAt(proxy_->index(r, 0))) {
            players += row->info.numPlayers;
        }
    }
    status_->setText(qt::toQString(browser_->statusLine(static_cast<std::size_t>(shown), players)));
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
    if (!proxyIndex.isValid()) {
        return nullptr;
    }
    return model_->row(proxy_->mapToSource(proxyIndex).row());
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

void ServersWindow::showMenu(const QPoint& at) {
    const QModelIndex index =
        table_->indexAt(at).isValid() ? table_->indexAt(at) : table_->currentIndex();
    const servers::ServerRow* row = rowAt(index);
    if (!row) {
        return;
    }
    const std::string ip = row->listed.ip;
    const std::string port = std::to_string(row->listed.port);
    const std::string name = row->info.hostName;
    auto* menu = new QMenu(this);
    menu->setObjectName("ServerMenu");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction("Join"), &QAction::triggered, this, [this, ip, port] {
        if (actions_.join) {
            actions_.join(ip, port);
        }
    });
    connect(menu->addAction("Add to bookmarks"), &QAction::triggered, this, [this, ip, port, name] {
        if (actions_.addBookmark) {
            actions_.addBookmark(ip, port, name);
            bookmarksChanged();
        }
    });
    connect(menu->addAction("Join when a slot frees"), &QAction::triggered, this,
            [this, ip, port, name] {
                if (actions_.waitForSlot) {
                    actions_.waitForSlot(ip, port, name);
                }
            });
    connect(menu->addAction("Copy link"), &QAction::triggered, this, [this, ip, port] {
        if (actions_.copyLink) {
            actions_.copyLink(ip, port);
        }
    });
    if (row->lastPlayed) {
        const std::uint16_t gamePort = row->listed.port;
        connect(menu->addAction("Forget"), &QAction::triggered, this, [this, ip, gamePort] {
            if (actions_.forget) {
                actions_.forget(ip, gamePort);
            }
            playedChanged();
        });
    }
    menu->popup(table_->viewport()->mapToGlobal(at));
}

}  // namespace zerlin::app
