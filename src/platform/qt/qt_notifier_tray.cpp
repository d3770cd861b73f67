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
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    if (tray_ == nullptr) {
        tray_ = new QSystemTrayIcon(QApplication::windowIcon());
        tray_->show();
    }
    tray_->showMessage(toQString(title), toQString(body), QSystemTrayIcon::Information);
}

}  // namespace zerlin::qt
