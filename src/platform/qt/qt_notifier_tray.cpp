#include <QApplication>
#include <QSystemTrayIcon>

#include "platform/qt/qt_desktop.h"
#include "platform/qt/strings.h"

namespace zerlin::qt {

struct QtNotifier::Pending {};

QtNotifier::QtNotifier() = default;
QtNotifier::~QtNotifier() {
    delete tray_;
}

void QtNotifier::notify(const std::string& title, const std::string& body) {
    trayAction_ = nullptr;  // a click on this message runs no earlier message's action
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    if (tray_ == nullptr) {
        tray_ = new QSystemTrayIcon(QApplication::windowIcon());
        tray_->show();
        QObject::connect(tray_, &QSystemTrayIcon::messageClicked, tray_, [this] {
            const std::function<void()> onAction = std::move(trayAction_);
            trayAction_ = nullptr;
            if (onAction) {
                onAction();
            }
        });
    }
    tray_->showMessage(toQString(title), toQString(body), QSystemTrayIcon::Information);
}

void QtNotifier::notifyWithAction(const std::string& title, const std::string& body,
                                  const std::string& /*action*/, std::function<void()> onAction) {
    notify(title, body);
    if (tray_ != nullptr) {
        trayAction_ = std::move(onAction);
    }
}

}  // namespace zerlin::qt
