#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <string>

class QFont;
class QSize;
class QWidget;

namespace zerlin::app {

// A widget's tooltip made at the moment it is about to be shown rather than kept up to date on
// every change, so that the details of a server are made only for the row pointed at, and only
// when pointed at. The tip is plain text shown as it is, in a fixed-width font, cut to fit the
// screen.
class StatusToolTip : public QObject {
  public:
    struct Tip {
        std::string text;  // plain text; empty for no tooltip
        QRect area;        // where the pointer may move while the tip stays; empty: the widget
    };
    using Source = std::function<Tip(const QPoint& at)>;

    // Watches the widget's tooltip events (at = where, in the widget's coordinates).
    StatusToolTip(QWidget& widget, Source source);

    // The plain text as rich text that shows it literally, in lines of fixed-width characters,
    // cut (by whole characters, with "…") to fit `room` when laid out in `font`.
    static QString fitted(const std::string& text, const QFont& font, const QSize& room);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Source source_;
};

}  // namespace zerlin::app
