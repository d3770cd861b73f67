#include "platform/qt/click_label.h"

#include <QAccessibleWidget>
#include <QMouseEvent>

namespace zerlin::qt {

namespace {

// A picture of the window is a button to assistive technology: named, and pressable by its
// press action, which runs the same command as a click. Caption labels stay Qt's labels.
class PictureButtonAccessible : public QAccessibleWidget {
  public:
    explicit PictureButtonAccessible(ClickLabel* picture)
        : QAccessibleWidget(picture, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            emit static_cast<ClickLabel*>(widget())->clicked();
        }
    }

    QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }
};

QAccessibleInterface* pictureButtonFactory(const QString& className, QObject* object) {
    auto* label = qobject_cast<ClickLabel*>(object);
    if (className != QLatin1String(ClickLabel::staticMetaObject.className()) || !label ||
        label->pixmap().isNull()) {
        return nullptr;
    }
    return new PictureButtonAccessible(label);
}

}  // namespace

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(pictureButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

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
