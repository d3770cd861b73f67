#include "app/servers/servers_model.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include "friends/server_snapshot.h"
#include "platform/qt/strings.h"

namespace zerlin::app {

namespace {

const char* const kHeaders[servers::kColumns] = {"Server", "Players", "Map",     "Game type",
                                                 "Mod",    "Ping",    "Address", "Last played"};

// A padlock for a password, a small flag for a bookmarked server, or both side by side.
QIcon markIcon(bool lock, bool bookmark) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(28, 14) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour = QApplication::palette().color(QPalette::Text);
    if (lock) {
        painter.setPen(QPen(colour, 1.4));
        painter.drawArc(QRectF(3, 1, 6, 8), 0, 180 * 16);
        painter.drawLine(QPointF(3, 5), QPointF(3, 7));
        painter.drawLine(QPointF(9, 5), QPointF(9, 7));
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRect(QRectF(1.5, 6.5, 9, 6.5));
    }
    if (bookmark) {
        QPainterPath flag;
        flag.moveTo(16, 1);
        flag.lineTo(24, 1);
        flag.lineTo(24, 13);
        flag.lineTo(20, 9.5);
        flag.lineTo(16, 13);
        flag.closeSubpath();
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(200, 150, 30));
        painter.drawPath(flag);
    }
    return QIcon(pixmap);
}

}  // namespace

ServersModel::ServersModel(const servers::ServersBrowser& browser, QObject* parent)
    : QAbstractTableModel(parent),
      browser_(browser),
      lock_(markIcon(true, false)),
      bookmark_(markIcon(false, true)),
      lockedBookmark_(markIcon(true, true)) {}

int ServersModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(browser_.rows().size());
}

int ServersModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : servers::kColumns;
}

const servers::ServerRow* ServersModel::row(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= browser_.rows().size()) {
        return nullptr;
    }
    return &browser_.rows()[static_cast<std::size_t>(index)];
}

QVariant ServersModel::data(const QModelIndex& index, int role) const {
    const servers::ServerRow* r = row(index.row());
    if (!r || index.column() < 0 || index.column() >= servers::kColumns) {
        return {};
    }
    const auto column = static_cast<servers::Column>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            // The mark of a row where a friend plays.
            if (column == servers::Column::Server && !friendsOn(*r).empty()) {
                return QString::fromUtf8("\u2605 ") +
                       qt::toQString(servers::cellText(*r, column, mods_));
            }
            return qt::toQString(servers::cellText(*r, column, mods_));
        case Qt::AccessibleTextRole:
            return qt::toQString(servers::cellText(*r, column, mods_));
        case Qt::DecorationRole:
            return column == servers::Column::Server ? mark(*r) : QVariant();
        case Qt::AccessibleDescriptionRole:
            return column == servers::Column::Server ? description(*r) : QVariant();
        case Qt::TextAlignmentRole:
            if (column == servers::Column::Players || column == servers::Column::Ping) {
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        case Qt::ForegroundRole:
            // A list kept from an earlier run is shown dimmed until the new one comes.
            if (browser_.showingKept() && !browser_.showingPlayed()) {
                return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
            }
            return {};
        default:
            return {};
    }
}

QVariant ServersModel::mark(const servers::ServerRow& row) const {
    if (!row.info.password && !row.bookmarked) {
        return {};
    }
    return row.info.password ? (row.bookmarked ? lockedBookmark_ : lock_) : bookmark_;
}

QString ServersModel::description(const servers::ServerRow& r) const {
    QStringList marks;
    if (browser_.showingKept() && !browser_.showingPlayed()) {
        marks << "from the kept list";  // what the dimmed text shows
    }
    if (r.info.password) {
        marks << "password";
    }
    if (r.bookmarked) {
        marks << "bookmarked";
    }
    if (const std::vector<std::string>& names = friendsOn(r); !names.empty()) {
        QStringList friends;
        for (const std::string& name : names) {
            friends << qt::toQString(name);
        }
        marks << "friends: " + friends.join(", ");
    }
    return marks.join(", ");
}

const std::vector<std::string>& ServersModel::friendsOn(const servers::ServerRow& row) const {
    static const std::vector<std::string> kNone;
    const std::vector<servers::ServerRow>& rows = browser_.rows();
    if (rows.empty() || &row < rows.data() || &row >= rows.data() + rows.size()) {
        return kNone;
    }
    const auto at = static_cast<std::size_t>(&row - rows.data());
    return at < rowFriends_.size() ? rowFriends_[at] : kNone;
}

void ServersModel::matchFriends(std::size_t row) {
    const std::vector<servers::ServerRow>& rows = browser_.rows();
    rowFriends_.resize(rows.size());
    if (row < rows.size()) {
        const status::ServerStatus& info = rows[row].info;
        rowFriends_[row] =
            friends_ ? friends::friendsOn(info, *friends_) : std::vector<std::string>();
    }
}

QVariant ServersModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < servers::kColumns) {
        return QString::fromLatin1(kHeaders[section]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ServersModel::replaced() {
    beginResetModel();
    rowFriends_.clear();
    for (std::size_t r = 0; r < browser_.rows().size(); ++r) {
        matchFriends(r);
    }
    endResetModel();
}

void ServersModel::adding(std::size_t first, std::size_t last) {
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(last));
}

void ServersModel::added(std::size_t first, std::size_t last) {
    for (std::size_t row = first; row <= last; ++row) {
        matchFriends(row);
    }
    endInsertRows();
}

void ServersModel::rowsChanged(std::size_t first, std::size_t last) {
    emit dataChanged(index(static_cast<int>(first), 0),
                     index(static_cast<int>(last), servers::kColumns - 1));
}

}  // namespace zerlin::app
