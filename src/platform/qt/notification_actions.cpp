#include "platform/qt/notification_actions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace zerlin::qt {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The key of the one action; the service shows its label.
const QString kActionKey = QStringLiteral("action");
constexpr int kReplyTimeoutMs = 5000;
// Actions of messages the service never said it closed are forgotten beyond this many.
constexpr std::size_t kMaxShown = 32;

}  // namespace

QString plainSummary(QString summary) {
    return summary.replace('<', QChar(0x2039))
        .replace('>', QChar(0x203A))
        .replace('&', QChar(0xFF06));
}

NotificationActions::NotificationActions() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint)));
}

void NotificationActions::send(const QString& title, const QString& body, const QString& action,
                               std::function<void()> onAction) {
    Message message{title, body, action, std::move(onAction)};
    if (actions_ == Actions::listed || actions_ == Actions::unlisted) {
        post(std::move(message));
        return;
    }
    waiting_.push_back(std::move(message));
    if (actions_ == Actions::unknown) {
        askCapabilities();
    }
}

void NotificationActions::askCapabilities() {
    actions_ = Actions::asking;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "GetCapabilities");
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, kReplyTimeoutMs), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            const QDBusPendingReply<QStringList> reply = *done;
            if (reply.isError()) {
                // No service yet: asked again with the next message.
                actions_ = Actions::unknown;
            } else {
                actions_ = reply.value().contains(QStringLiteral("actions")) ? Actions::listed
                                                                             : Actions::unlisted;
            }
            std::vector<Message> waiting = std::move(waiting_);
            waiting_.clear();
            for (Message& message : waiting) {
                post(std::move(message));
            }
        });
}

void NotificationActions::post(Message message) {
    const bool withAction = actions_ == Actions::listed;
    QStringList actions;
    if (withAction) {
        actions << kActionKey << message.action;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    // A service may read the body as markup: the texts are escaped to stay plain text.
    call << QString("Zerlin") << 0U << QString("zerlin") << plainSummary(message.title)
         << message.body.toHtmlEscaped() << actions << QVariantMap() << -1;
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, kReplyTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, withAction,
             onAction = std::move(message.onAction)](QDBusPendingCallWatcher* done) mutable {
                done->deleteLater();
                const QDBusPendingReply<uint> reply = *done;
                if (!withAction || reply.isError()) {
                    return;
                }
                if (shown_.size() >= kMaxShown) {
                    shown_.erase(shown_.begin());  // the oldest: ids grow
                }
                shown_[reply.value()] = std::move(onAction);
            });
}

void NotificationActions::actionInvoked(uint id, const QString& key) {
    const auto found = shown_.find(id);
    if (found == shown_.end() || key != kActionKey) {
        return;  // another program's message, or not ours any more
    }
    const std::function<void()> onAction = std::move(found->second);
    shown_.erase(found);
    if (onAction) {
        onAction();
    }
}

void NotificationActions::notificationClosed(uint id, uint /*reason*/) {
    shown_.erase(id);
}

}  // namespace zerlin::qt
