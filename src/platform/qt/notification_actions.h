#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <vector>

namespace zerlin::qt {

// The summary as sent: services differ on whether they read markup there (the notification
// protocol says plain text, some take markup all the same), so it holds no "<", ">" or "&" at all;
// each becomes a character that looks alike and means nothing to markup.
QString plainSummary(QString summary);

// Messages with one action through the freedesktop notification service on the session bus.
// The service is asked once for its capabilities; where it lists no "actions", messages go
// without one. Nothing here waits for the service.
class NotificationActions : public QObject {
    Q_OBJECT

  public:
    NotificationActions();

    void send(const QString& title, const QString& body, const QString& action,
              std::function<void()> onAction);

  private:
    // The service's signals.
    Q_SLOT void actionInvoked(uint id, const QString& key);
    Q_SLOT void notificationClosed(uint id, uint reason);

    struct Message {
        QString title;
        QString body;
        QString action;
        std::function<void()> onAction;
    };
    enum class Actions { unknown, asking, listed, unlisted };

    void askCapabilities();
    void post(Message message);

    Actions actions_ = Actions::unknown;
    std::vector<Message> waiting_;  // until the capabilities are known
    // The actions of messages shown, by the service's message id.
    std::map<uint, std::function<void()>> shown_;
};

}  // namespace zerlin::qt
