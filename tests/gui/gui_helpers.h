#pragma once

// A small base for the GUI tests: find a widget by object name, press, click and double-click it
// as a person would, and wait for a condition while the event loop runs.

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QTest>
#include <QToolTip>
#include <QWidget>
#include <functional>

namespace zerlin::test::gui {

// The child of root with that object name (root itself when it has the name), or nullptr.
template <typename T = QWidget>
T* find(QWidget& root, const QString& name) {
    if (root.objectName() == name) {
        if (auto* self = qobject_cast<T*>(&root)) {
            return self;
        }
    }
    return root.findChild<T*>(name);
}

// The middle of the widget, the default place for presses.
inline QPoint middleOf(const QWidget& widget) {
    return widget.rect().center();
}

// Delivers one mouse event at a point of the widget, with the pointer's global position worked
// out from where the widget is now.
inline void sendMouse(QWidget& widget, QEvent::Type type, Qt::MouseButton button,
                      Qt::MouseButtons held, QPoint at) {
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

inline void press(QWidget& widget, Qt::MouseButton button, QPoint at) {
    sendMouse(widget, QEvent::MouseButtonPress, button, button, at);
}

inline void release(QWidget& widget, Qt::MouseButton button, QPoint at) {
    sendMouse(widget, QEvent::MouseButtonRelease, button, Qt::NoButton, at);
}

inline void click(QWidget& widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    press(widget, button, at);
    release(widget, button, at);
}

inline void click(QWidget& widget) {
    click(widget, middleOf(widget));
}

// What Qt delivers for a double-click: press, release, double-click, release.
inline void doubleClick(QWidget& widget, QPoint at) {
    press(widget, Qt::LeftButton, at);
    release(widget, Qt::LeftButton, at);
    sendMouse(widget, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, at);
    release(widget, Qt::LeftButton, at);
}

inline void doubleClick(QWidget& widget) {
    doubleClick(widget, middleOf(widget));
}

// The tooltip shown when the pointer rests at a point of the widget, as it is shown (the
// empty text when none is).
inline QString toolTipAt(QWidget& widget, QPoint at) {
    QToolTip::hideText();
    QHelpEvent event(QEvent::ToolTip, at, widget.mapToGlobal(at));
    QApplication::sendEvent(&widget, &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// The tooltip's window while one is shown, or nullptr.
inline QWidget* shownToolTip() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QTipLabel") && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

// Runs the event loop until the condition holds or the time is up; tells which.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
    return QTest::qWaitFor(condition, timeoutMs);
}

}  // namespace zerlin::test::gui
