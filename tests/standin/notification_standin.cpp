// A stand-in desktop notification service for the tests: owns org.freedesktop.Notifications on
// the session bus (a private one, from dbus-run-session) and appends each Notify call to a file
// as one line "summary|body".
//
//   notification_standin FILE
//
// It prints "ready" once the name is owned, and ends after 120 seconds at the latest.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <cstdio>

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    explicit Notifications(QString file) : file_(std::move(file)) {}

  public slots:
    uint Notify(const QString& /*app*/, uint /*replaces*/, const QString& /*icon*/,
                const QString& summary, const QString& body, const QStringList& /*actions*/,
                const QVariantMap& /*hints*/, int /*timeout*/) {
        QFile out(file_);
        if (out.open(QIODevice::Append)) {
            out.write((summary + "|" + body + "\n").toUtf8());
        }
        return ++id_;
    }
    QStringList GetCapabilities() { return {"body"}; }

  private:
    QString file_;
    uint id_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: notification_standin FILE\n");
        return 2;
    }
    Notifications service(QString::fromLocal8Bit(argv[1]));
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
