#include "app/status_tooltip.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QScreen>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/qt/strings.h"
#include "platform/utf8.h"
#include "status/status_text.h"

namespace zerlin::app {

namespace {

// Kept clear around the tip: its frame and margins, and a little of the screen's edge.
constexpr int kScreenMargin = 16;

QString literal(const std::string& text) {
    return "<pre>" + qt::toQString(text).toHtmlEscaped() + "</pre>";
}

struct Lines {
    std::size_t count = 0;
    std::size_t longest = 0;  // characters
};

Lines measure(const std::string& text) {
    Lines lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        ++lines.count;
        lines.longest = std::max(lines.longest,
                                 utf8::length(std::string_view(text).substr(start, end - start)));
        if (end == text.size()) {
            return lines;
        }
        start = end + 1;
    }
}

// The count scaled down by room / size, at least 1.
std::size_t scaled(std::size_t count, qreal room, qreal size) {
    if (size <= room) {
        return count;
    }
    const auto fit = static_cast<std::size_t>(std::floor(static_cast<qreal>(count) * room / size));
    return std::clamp<std::size_t>(fit, 1, count > 1 ? count - 1 : 1);
}

}  // namespace

StatusToolTip::StatusToolTip(QWidget& widget, Source source) : source_(std::move(source)) {
    widget.installEventFilter(this);
}

QString StatusToolTip::fitted(const std::string& text, const QFont& font, const QSize& room) {
    std::string shown = text;
    // The characters are of one width and the lines of one height, so one measure tells how
    // many fit; the loop only makes up for rounding.
    for (int attempt = 0; attempt < 4; ++attempt) {
        QTextDocument document;
        document.setDefaultFont(font);
        document.setHtml(literal(shown));
        const qreal width = document.idealWidth();
        const qreal height = document.size().height();
        if (width <= room.width() && height <= room.height()) {
            break;
        }
        const Lines lines = measure(shown);
        shown = status::fitLines(text, scaled(lines.longest, room.width(), width),
                                 scaled(lines.count, room.height(), height));
    }
    return literal(shown);
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
    const QSize room = screen->availableGeometry().size() - QSize(kScreenMargin, kScreenMargin);
    QToolTip::showText(help->globalPos(), fitted(tip.text, QToolTip::font(), room), widget,
                       tip.area);
    return true;
}

}  // namespace zerlin::app
