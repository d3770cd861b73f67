// A stand-in desktop notification service for the tests: owns org.freedesktop.Notifications on
// the session bus (a private one, from dbus-run-session) and appends each Notify call to a file
// as one line "summary|body", followed by "|key,label" for each action the call asked for.
//
//   notification_standin [--never-answer | --actions] FILE
//
// With --never-answer it records each call and never replies, as a hung service does. With
// --actions it lists the "actions" capability. Its own method InvokeAction(id, key) makes it
// emit ActionInvoked as a user's click on the message's action would; message ids count from 1.
//
// It prints "ready" once the name is owned, and ends after 120 seconds at the latest.

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

class Notifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    Notifications(QString file, bool answers, bool actions)
        : file_(std::move(file)), answers_(answers), actions_(actions) {}

  signals:
    void ActionInvoked(uint id, const QString& key);

  public slots:
    uint Notify(const QString& /*app*/, uint /*replaces*/, const QString& /*icon*/,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& /*hints*/, int /*timeout*/) {
        QString line = summary + "|" + body;
        for (qsizetype i = 0; i + 1 < actions.size(); i += 2) {
            line += "|" + actions[i] + "," + actions[i + 1];
        }
        QFile out(file_);
        if (out.open(QIODevice::Append)) {
            out.write((line + "\n").toUtf8());
        }
        if (!answers_) {
            setDelayedReply(true);  // and the reply is never sent
        }
        return ++id_;
    }
    QStringList GetCapabilities() {
        return actions_ ? QStringList{"body", "actions"} : QStringList{"body"};
    }
    void InvokeAction(uint id, const QString& key) { emit ActionInvoked(id, key); }

  private:
    QString file_;
    bool answers_ = true;
    bool actions_ = false;
    uint id_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray option = argc == 3 ? QByteArray(argv[1]) : QByteArray();
    if ((argc != 2 && argc != 3) ||
        (argc == 3 && option != "--never-answer" && option != "--actions")) {
        std::fprintf(stderr, "usage: notification_standin [--never-answer | --actions] FILE\n");
        return 2;
    }
    Notifications service(QString::fromLocal8Bit(argv[argc - 1]), option != "--never-answer",
                          option == "--actions");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/Notifications", &service,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) ||
        !bus.registerService("org.freedesktop.Notifications")) {
        std::fprintf(stderr, "no session bus, or the name is taken\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    return QCoreApplication::exec();
}

#include "notification_standin.moc"
