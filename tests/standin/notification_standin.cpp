// A stand-in desktop notification service for the tests: owns org.freedesktop.Notifications on
// the session bus (a private one, from dbus-run-session) and appends each Notify call to a file
// as one line "summary|body". With --never-answer it records each call and never replies, as a
// hung service does.
//
//   notification_standin [--never-answer] FILE
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
    Notifications(QString file, bool answers) : file_(std::move(file)), answers_(answers) {}

  public slots:
    uint Notify(const QString& /*app*/, uint /*replaces*/, const QString& /*icon*/,
                const QString& summary, const QString& body, const QStringList& /*actions*/,
                const QVariantMap& /*hints*/, int /*timeout*/) {
        QFile out(file_);
        if (out.open(QIODevice::Append)) {
            out.write((summary + "|" + body + "\n").toUtf8());
        }
        if (!answers_) {
            setDelayedReply(true);  // and the reply is never sent
        }
        return ++id_;
    }
    QStringList GetCapabilities() { return {"body"}; }

  private:
    QString file_;
    bool answers_ = true;
    uint id_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool answers = !(argc == 3 && QByteArray(argv[1]) == "--never-answer");
    if (argc != (answers ? 2 : 3)) {
        std::fprintf(stderr, "usage: notification_standin [--never-answer] FILE\n");
        return 2;
    }
    Notifications service(QString::fromLocal8Bit(argv[argc - 1]), answers);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject("/org/freedesktop/Notifications", &service,
                            QDBusConnection::ExportAllSlots) ||
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
