#include "app/servers/row_status.h"

#include <QFontMetrics>
#include <QModelIndex>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionViewItem>
#include <vector>

namespace zerlin::app {

namespace {

constexpr int kGap = 5;        // at least this between the row's text and the status
constexpr int kRightEdge = 3;  // and this much room at the right edge
constexpr int kMark = 9;       // the size of the shape that tells the kind

const QColor kUpColour(64, 192, 64);
const QColor kFullColour(255, 112, 64);
const QColor kSilentColour(150, 150, 150);

QColor colourOf(status::Indicator kind) {
    switch (kind) {
        case status::Indicator::Up:
            return kUpColour;
        case status::Indicator::Full:
            return kFullColour;
        default:
            return kSilentColour;
    }
}

// The shape of each kind: a disc when up, a square when full, a cross when silent, three dots
// while asking. Told apart by shape as well as colour.
void paintMark(QPainter& painter, status::Indicator kind, const QRect& box, bool selected) {
    const QColor colour = colourOf(kind);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPen outline(selected ? QColor(Qt::white) : colour.darker(130), 1);
    switch (kind) {
        case status::Indicator::Up:
            painter.setPen(outline);
            painter.setBrush(colour);
            painter.drawEllipse(r);
            break;
        case status::Indicator::Full:
            painter.setPen(outline);
            painter.setBrush(colour);
            painter.drawRect(r);
            break;
        case status::Indicator::NoAnswer:
            painter.setPen(
                QPen(selected ? QColor(Qt::white) : colour, 2, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(r.topLeft() + QPointF(1, 1), r.bottomRight() - QPointF(1, 1));
            painter.drawLine(r.topRight() + QPointF(-1, 1), r.bottomLeft() + QPointF(1, -1));
            break;
        case status::Indicator::Asking:
            painter.setPen(Qt::NoPen);
            painter.setBrush(selected ? QColor(Qt::white) : colour);
            for (int dot = 0; dot < 3; ++dot) {
                painter.drawEllipse(QRectF(r.left() + dot * 3.3, r.center().y() - 1, 2.2, 2.2));
            }
            break;
        case status::Indicator::None:
            break;
    }
    painter.restore();
}

// A small padlock: the server wants a password.
void paintLock(QPainter& painter, const QRect& box, const QColor& colour) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(box.left() + 0.5, box.top() + box.height() * 0.45, box.width() - 1.0,
                      box.height() * 0.55 - 0.5);
    painter.setPen(QPen(colour, 1.4));
    painter.setBrush(Qt::NoBrush);
    const qreal shackle = body.width() * 0.6;
    painter.drawArc(
        QRectF(body.center().x() - shackle / 2, box.top() + 0.5, shackle, body.height() * 1.1), 0,
        180 * 16);
    painter.drawLine(QPointF(body.center().x() - shackle / 2, box.top() + body.height() * 0.55),
                     QPointF(body.center().x() - shackle / 2, body.top()));
    painter.drawLine(QPointF(body.center().x() + shackle / 2, box.top() + body.height() * 0.55),
                     QPointF(body.center().x() + shackle / 2, body.top()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRect(body);
    painter.restore();
}

}  // namespace

void paintRowStatus(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                    int textRight, bool selected) {
    const auto kind = static_cast<status::Indicator>(index.data(RowStatusKindRole).toInt());
    if (kind == status::Indicator::None) {
        return;
    }
    const QFontMetrics metrics(option.font);
    const int space = option.rect.right() - kRightEdge - (textRight + kGap);
    const bool password = index.data(RowStatusPasswordRole).toBool();
    const int lockWidth = password ? 8 : 0;

    // The texts beside the mark, the longest first; the first that fits is drawn.
    std::vector<QString> choices;
    switch (kind) {
        case status::Indicator::Up:
        case status::Indicator::Full: {
            const QString players = index.data(RowStatusPlayersRole).toString();
            QString ping = index.data(RowStatusPingRole).toString();
            choices = {players + " " + ping, players + " " + ping.remove(' '), players};
            break;
        }
        case status::Indicator::NoAnswer:
            choices = {QStringLiteral("no answer"), QStringLiteral("none")};
            break;
        default:
            break;
    }
    choices.emplace_back();
    QString text;
    int width = 0;
    bool fits = false;
    for (const QString& choice : choices) {
        width = kMark + (choice.isEmpty() ? 0 : 4 + metrics.horizontalAdvance(choice)) +
                (password ? lockWidth + 3 : 0);
        if (width <= space) {
            text = choice;
            fits = true;
            break;
        }
    }
    if (!fits) {
        return;  // never over the row's text
    }
    const QColor textColour = selected ? option.palette.color(QPalette::HighlightedText)
                              : kind == status::Indicator::Full ? kFullColour
                              : kind == status::Indicator::Up ? option.palette.color(QPalette::Text)
                                                              : kSilentColour;
    int x = option.rect.right() - kRightEdge - width + 1;
    const int middle = option.rect.center().y();
    if (password) {
        paintLock(painter, QRect(x, middle - 5, lockWidth, 10), textColour);
        x += lockWidth + 3;
    }
    paintMark(painter, kind, QRect(x, middle - kMark / 2, kMark, kMark), selected);
    x += kMark + 4;
    if (!text.isEmpty()) {
        painter.save();
        painter.setPen(textColour);
        painter.setFont(option.font);
        painter.drawText(QRect(x, option.rect.top(), option.rect.right() - x, option.rect.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter.restore();
    }
}

}  // namespace zerlin::app
