#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "platform/qt/notification_actions.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/strings.h"

namespace zerlin::qt {

namespace {

// How long the notification service may take to take a message; the program may end next.
constexpr int kReplyTimeoutMs = 1000;

}  // namespace

QtNotifier::QtNotifier() = default;
QtNotifier::~QtNotifier() {
    delete actions_;
}

void QtNotifier::notify(const std::string& title, const std::string& body) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    // A service may read the body as markup: the texts are escaped to stay plain text.
    call << QString("Zerlin") << 0U << QString("zerlin") << toQString(title)
         << toQString(body).toHtmlEscaped() << QStringList() << QVariantMap() << -1;
    // Waited for, so that the message is out before a join that ends the program. With no
    // service on the session bus, the call fails and nothing is shown.
    QDBusConnection::sessionBus().call(call, QDBus::Block, kReplyTimeoutMs);
}

void QtNotifier::notifyWithAction(const std::string& title, const std::string& body,
                                  const std::string& action, std::function<void()> onAction) {
    if (actions_ == nullptr) {
        actions_ = new NotificationActions;
    }
    actions_->send(toQString(title), toQString(body), toQString(action), std::move(onAction));
}

}  // namespace zerlin::qt
