#include "app/status/status_wiring.h"

#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <utility>

#include "app/servers/row_status.h"
#include "friends/server_snapshot.h"
#include "platform/qt/strings.h"
#include "status/status_text.h"

namespace zerlin::app {

namespace {

// "Friends playing: <names>" when the server's answer lists friends on it, else nothing.
std::string friendsLine(const status::ServerState& state, const friends::FriendPatterns* friends) {
    if (!friends || !state.answer) {
        return {};
    }
    std::string names;
    for (const std::string& name : friends::friendsOn(state.answer->status, *friends)) {
        names += (names.empty() ? "" : ", ") + status::shortened(name);
    }
    return names.empty() ? std::string() : "Friends playing: " + names;
}

}  // namespace

StatusWiring::StatusWiring(Form1Window& window, const ListBox& list, status::StatusService& service)
    : window_(window), list_(list), service_(service) {
    window_.setRowPainter(paintRowStatus);
    settle_.setSingleShot(true);
    settle_.setInterval(0);
    QObject::connect(&settle_, &QTimer::timeout, [this] {
        if (refreshPending_) {
            refresh();
        } else {
            rows_->rowsRemoved();
            showRows();
        }
        refreshPending_ = false;
    });
    periodic_.setInterval(kStatusRefreshMs);
    QObject::connect(&periodic_, &QTimer::timeout, [this] { refresh(); });
    starter_.setSingleShot(true);
    starter_.setInterval(0);
    QObject::connect(&starter_, &QTimer::timeout, [this] { start(); });
    boxesTimer_.setSingleShot(true);
    boxesTimer_.setInterval(kBoxesSettleMs);
    QObject::connect(&boxesTimer_, &QTimer::timeout, [this] { boxesEdited(); });
    showTimer_.setSingleShot(true);
    showTimer_.setInterval(kStatusShowMs);
    QObject::connect(&showTimer_, &QTimer::timeout, [this] { showChanged(); });
}

StatusWiring::~StatusWiring() {
    delete f5_;
    window_.setRowPainter({});
}

void StatusWiring::start() {
    if (rows_) {
        return;
    }
    rows_ = std::make_unique<status::ListStatus>(list_, service_);
    rows_->client().setChangeHandler([this](const status::ServerKey& server) { changed(server); });

    QAbstractItemModel* model = window_.List1->model();
    // Connected through context_, so that nothing reaches this after its end.
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &context_,
                     [this] { refreshSoon(); });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, &context_,
                     [this] { rowsRemovedSoon(); });
    QObject::connect(model, &QAbstractItemModel::modelReset, &context_,
                     [this] { rowsRemovedSoon(); });
    f5_ = new QShortcut(QKeySequence(Qt::Key_F5), window_.List1, nullptr, nullptr,
                        Qt::WidgetShortcut);
    QObject::connect(f5_, &QShortcut::activated, &context_, [this] { refresh(); });
    for (QLineEdit* box : {window_.Text2, window_.Text3}) {
        QObject::connect(box, &QLineEdit::textChanged, &context_, [this] { boxesTimer_.start(); });
    }
    // The tooltips are made when about to be shown, for the server pointed at.
    rowTip_ = std::make_unique<StatusToolTip>(*window_.List1->viewport(), [this](const QPoint& at) {
        const QModelIndex row = window_.List1->indexAt(at);
        if (!row.isValid()) {
            return StatusToolTip::Tip{"", window_.List1->visualRect(row)};
        }
        const status::ServerState& state = service_.state(rows_->rowServer(row.row()));
        return StatusToolTip::Tip{
            status::tooltipText(state, friendsLine(state, friends_ ? friends_() : nullptr),
                                mods_ ? mods_() : nullptr),
            window_.List1->visualRect(row)};
    });
    boxesTip_ = std::make_unique<StatusToolTip>(*window_.Text2, [this](const QPoint&) {
        const std::vector<int> rows = rows_->rowsOf(rows_->boxes());
        return StatusToolTip::Tip{
            rows_->boxes().host.empty()
                ? ""
                : status::tooltipText(rows.empty() ? rows_->boxesState()
                                                   : service_.state(rows_->rowServer(rows.front())),
                                      {}, mods_ ? mods_() : nullptr),
            {}};
    });
    refresh();
    periodic_.start();
}

void StatusWiring::refresh() {
    if (!rows_) {
        return;
    }
    boxesTimer_.stop();
    rows_->setBoxes(
        {qt::toStdString(window_.Text2->text()), qt::toStdString(window_.Text3->text())});
    rows_->refresh();
    showRows();
}

void StatusWiring::refreshSoon() {
    refreshPending_ = true;
    settle_.start();
}

void StatusWiring::rowsRemovedSoon() {
    settle_.start();
}

void StatusWiring::showRows() {
    showTimer_.stop();
    changed_.clear();
    for (int index = 0; index < window_.List1->count(); ++index) {
        showRow(index);
    }
}

void StatusWiring::showRow(int index) {
    QListWidgetItem* item = window_.List1->item(index);
    if (!item) {
        return;
    }
    const status::ServerState& state = service_.state(rows_->rowServer(index));
    item->setData(RowStatusKindRole, static_cast<int>(status::indicatorOf(state)));
    if (state.answer) {
        item->setData(RowStatusPlayersRole, qt::toQString(status::players(state.answer->status)));
        item->setData(RowStatusPingRole, QString::number(state.answer->pingMs) + " ms");
        item->setData(RowStatusPasswordRole, state.answer->status.password);
    }
    const std::string description = status::describe(state);
    item->setData(Qt::AccessibleDescriptionRole,
                  description.empty() ? QVariant() : QVariant(qt::toQString(description)));
}

void StatusWiring::changed(const status::ServerKey& server) {
    changed_.insert(server);
    if (!showTimer_.isActive()) {
        showTimer_.start();
    }
}

void StatusWiring::showChanged() {
    const std::set<status::ServerKey> servers = std::exchange(changed_, {});
    for (const status::ServerKey& server : servers) {
        for (const int index : rows_->rowsOf(server)) {
            showRow(index);
        }
    }
}

void StatusWiring::boxesEdited() {
    if (!rows_) {
        return;
    }
    rows_->setBoxes(
        {qt::toStdString(window_.Text2->text()), qt::toStdString(window_.Text3->text())});
}

}  // namespace zerlin::app
