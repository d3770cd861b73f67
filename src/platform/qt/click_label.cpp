#include "platform/qt/click_label.h"

#include <QMouseEvent>

namespace zerlin::qt {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        afterDoubleClick_ = false;
    }
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        pressed_ = false;
        afterDoubleClick_ = true;
    }
}

void ClickLabel::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const bool click =
        pressed_ && !afterDoubleClick_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    afterDoubleClick_ = false;
    if (click) {
        emit clicked();
    }
}

}  // namespace zerlin::qt
