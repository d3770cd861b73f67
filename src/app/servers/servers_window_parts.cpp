// The Servers window's controls and their layout, their connections, and a row's menu.
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
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

#include "app/servers/servers_model.h"
#include "app/servers/servers_proxy.h"
#include "app/servers/servers_window.h"
#include "servers/servers_prefs.h"
#include "settings/settings.h"

namespace zerlin::app {

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
    const auto box = [this](const char* text, const char* name) {
        auto* made = new QCheckBox(text, this);
        made->setObjectName(name);
        return made;
    };
    hideEmpty_ = box("Hide empty", "HideEmpty");
    hideFull_ = box("Hide full", "HideFull");
    hidePassword_ = box("Hide password", "HidePassword");
    friendsOnly_ = box("Friends only", "FriendsOnly");
    played_ = box("Played recently", "PlayedRecently");
    played_->setToolTip("The servers you joined lately instead of the server list");
    installedModsOnly_ = box("Installed mods only", "InstalledModsOnly");
    friendsButton_ = new QPushButton("Friends", this);
    friendsButton_->setObjectName("Friends");
    friendsButton_->setToolTip("The names and patterns of your friends");
    auto* maxPingLabel = new QLabel("Max ping", this);
    maxPing_ = new QSpinBox(this);
    maxPing_->setObjectName("MaxPing");
    maxPing_->setAccessibleName("Max ping");
    maxPing_->setRange(0, servers::kMaxPingLimit);
    maxPing_->setSingleStep(10);
    maxPing_->setSpecialValueText("any");
    maxPing_->setSuffix(" ms");
    maxPingLabel->setBuddy(maxPing_);
    refresh_ = new QPushButton("Refresh", this);
    refresh_->setObjectName("Refresh");
    refresh_->setToolTip("Ask for the server list again (F5)");

    auto* filters = new QHBoxLayout;
    filters->addWidget(filter_, 1);
    for (QWidget* control : std::initializer_list<QWidget*>{
             hideEmpty_, hideFull_, hidePassword_, friendsOnly_, installedModsOnly_, maxPingLabel,
             maxPing_, friendsButton_, refresh_}) {
        filters->addWidget(control);
    }

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
    for (int column = 0; column < servers::kColumns; ++column) {
        table_->setColumnWidth(column, keys::kDefaultServersColumnWidths[column]);
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
    resize(keys::kDefaultServersWidth, keys::kDefaultServersHeight);
}

void ServersWindow::connectControls() {
    connect(filter_, &QLineEdit::textChanged, this, [this] { filtersEdited(); });
    for (QCheckBox* box :
         {hideEmpty_, hideFull_, hidePassword_, friendsOnly_, installedModsOnly_}) {
        connect(box, &QCheckBox::toggled, this, [this] { filtersEdited(); });
    }
    connect(maxPing_, &QSpinBox::valueChanged, this, [this] { filtersEdited(); });
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
