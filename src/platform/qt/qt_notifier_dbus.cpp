#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <vector>

#include "platform/qt/notification_actions.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/strings.h"

namespace zerlin::qt {

namespace {

// How long the notification service may take to take a message; after that it is given up.
constexpr int kReplyTimeoutMs = 1000;

}  // namespace

struct QtNotifier::Pending {
    std::vector<QDBusPendingCall> calls;
};

QtNotifier::QtNotifier() : pending_(std::make_unique<Pending>()) {}

QtNotifier::~QtNotifier() {
    // A join may end the program right after its message: the messages still on their way are
    // seen out (each for at most the reply's time limit) before the connection goes.
    for (QDBusPendingCall& call : pending_->calls) {
        if (!call.isFinished())
            call.waitForFinished();
    }
    delete actions_;
}

void QtNotifier::notify(const std::string& title, const std::string& body) {
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    // A service may read the body as markup: the texts are escaped to stay plain text.
    call << QString("Zerlin") << 0U << QString("zerlin") << plainSummary(toQString(title))
         << toQString(body).toHtmlEscaped() << QStringList() << QVariantMap() << -1;
    // Not waited for: a service that is slow or never answers must not stop the window. With
    // no service on the session bus, the call fails and nothing is shown.
    std::vector<QDBusPendingCall>& calls = pending_->calls;
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [](const QDBusPendingCall& sent) { return sent.isFinished(); }),
                calls.end());
    calls.push_back(QDBusConnection::sessionBus().asyncCall(call, kReplyTimeoutMs));
}

void QtNotifier::notifyWithAction(const std::string& title, const std::string& body,
                                  const std::string& action, std::function<void()> onAction) {
    if (actions_ == nullptr) {
        actions_ = new NotificationActions;
    }
    actions_->send(toQString(title), toQString(body), toQString(action), std::move(onAction));
}

}  // namespace zerlin::qt
