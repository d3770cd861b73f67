#include "app/status/status_tooltip.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "platform/qt/strings.h"
#include "status/status_text.h"

namespace zerlin::app {

namespace {

// Kept clear around the tip: its frame and margins, and a little of the screen's edge.
constexpr int kScreenMargin = 16;
// The room Qt leaves between the pointer and a tip below or above it, and a little more.
constexpr int kPointerClearance = 24;

QString literal(const std::string& text) {
    return "<pre>" + qt::toQString(text).toHtmlEscaped() + "</pre>";
}

QSizeF laidOut(const QString& html, const QFont& font) {
    QTextDocument document;
    document.setDefaultFont(font);
    document.setHtml(html);
    return {document.idealWidth(), document.size().height()};
}

// How many of the font's fixed-width characters, and lines, fit into the room: from the sizes of
// small texts, so that a long text is laid out only once it fits.
QSize cellsIn(const QSize& room, const QFont& font) {
    constexpr int kProbe = 10;
    const QSizeF one = laidOut(literal("M"), font);
    std::string probe(kProbe + 1, 'M');  // a line of 11 characters, and 10 lines below it
    for (int line = 0; line < kProbe; ++line) {
        probe += "\nM";
    }
    const QSizeF more = laidOut(literal(probe), font);
    const qreal cell = (more.width() - one.width()) / kProbe;
    const qreal line = (more.height() - one.height()) / kProbe;
    if (cell <= 0 || line <= 0) {
        return {1, 1};
    }
    return {std::max(1, static_cast<int>((room.width() - one.width() + cell) / cell)),
            std::max(1, static_cast<int>((room.height() - one.height() + line) / line))};
}

}  // namespace

StatusToolTip::StatusToolTip(QWidget& widget, Source source) : source_(std::move(source)) {
    widget.installEventFilter(this);
}

QString StatusToolTip::fitted(const std::string& text, const QFont& font, const QSize& room) {
    const QSize cells = cellsIn(room, font);
    auto columns = static_cast<std::size_t>(cells.width());
    auto rows = static_cast<std::size_t>(cells.height());
    // Characters wider than the font's own (a fallback font's) are made up for by cutting more.
    while (true) {
        QString html = literal(status::fitLines(text, columns, rows));
        const QSizeF size = laidOut(html, font);
        const bool wide = size.width() > room.width();
        const bool tall = size.height() > room.height();
        if ((!wide && !tall) || (wide && columns == 1) || (tall && rows == 1)) {
            return html;  // fits, or nothing smaller can be made
        }
        if (wide) {
            columns = std::max<std::size_t>(1, columns * 9 / 10);
        }
        if (tall) {
            rows = std::max<std::size_t>(1, rows * 9 / 10);
        }
    }
}

bool StatusToolTip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    const auto* help = static_cast<QHelpEvent*>(event);
    const Tip tip = source_(help->pos());
    if (tip.text.empty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const QScreen* screen = QGuiApplication::screenAt(help->globalPos());
    if (!screen) {
        screen = widget->screen();
    }
    // Qt puts the tip below the pointer, or above it where it does not fit below; a tip taller
    // than both would cover the pointer, and go away at once as the pointer leaves the widget.
    const QRect area = screen->availableGeometry();
    const int below = area.bottom() - help->globalPos().y() - kPointerClearance;
    const int above = help->globalPos().y() - area.top() - kPointerClearance;
    const QSize room(area.width() - kScreenMargin, std::max(below, above) - kScreenMargin);
    QToolTip::showText(help->globalPos(), fitted(tip.text, QToolTip::font(), room), widget,
                       tip.area);
    return true;
}

}  // namespace zerlin::app
