// Messages with an action through the real notifier, against the stand-in notification service
// on a private session bus: with the "actions" capability and without it.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "platform/qt/qt_desktop.h"
#include "standin_process.h"

namespace {

using namespace zerlin;

class NotifierActionTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void cleanup() { stopService(); }

    void joinsWhenTheActionIsChosen() {
        startService({"--actions"});
        qt::QtNotifier notifier;
        int joined = 0;
        int other = 0;
        notifier.notifyWithAction("[ABC]Jürgen is playing", "Wake <b>24/7</b> · 23/64 · wake",
                                  "Join", [&joined] { ++joined; });
        QTRY_COMPARE_WITH_TIMEOUT(
            lines(),
            QStringList{"[ABC]Jürgen is playing|Wake &lt;b&gt;24/7&lt;/b&gt; · 23/64 · "
                        "wake|action,Join"},
            5000);
        notifier.notifyWithAction("Bob is playing", "Other · 1/8 · kursk", "Join",
                                  [&other] { ++other; });
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 2, 5000);

        // Another key of the same message, a message that is no one's: nothing runs.
        invoke(1, "default");
        invoke(7, "action");
        QTest::qWait(300);
        QCOMPARE(joined, 0);
        invoke(1, "action");
        QTRY_COMPARE_WITH_TIMEOUT(joined, 1, 3000);
        // Chosen twice (a service that does not close the message): joined once.
        invoke(1, "action");
        invoke(2, "action");
        QTRY_COMPARE_WITH_TIMEOUT(other, 1, 3000);
        QCOMPARE(joined, 1);
    }

    void sendsNoActionWhereTheServiceTakesNone() {
        startService({});
        qt::QtNotifier notifier;
        bool joined = false;
        notifier.notifyWithAction("Bob is playing", "Server · 1/8 · wake", "Join",
                                  [&joined] { joined = true; });
        QTRY_COMPARE_WITH_TIMEOUT(lines(), QStringList{"Bob is playing|Server · 1/8 · wake"}, 5000);
        invoke(1, "action");
        QTest::qWait(300);
        QVERIFY(!joined);
    }

    // Whatever a caller passes, the summary reaches the service with no markup character and
    // the body escaped, with an action or without.
    void sendsTextThatNoServiceTakesForMarkup() {
        startService({"--actions"});
        qt::QtNotifier notifier;
        notifier.notifyWithAction("<img src=file:///etc/passwd>&amp;", "<i>a</i> & b", "Join",
                                  [] {});
        notifier.notify("x<b>y</b>", "&lt;");
        const QString summary = QString::fromUtf8(
            "\u2039img src=file:///etc/passwd\u203A"
            "\uFF06amp;");
        // The message with an action waits for the service's capabilities: either comes first.
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 2, 5000);
        QStringList received = lines();
        received.sort();
        QCOMPARE(received, (QStringList{QString::fromUtf8("x\u2039b\u203Ay\u2039/b\u203A|&amp;lt;"),
                                        summary + "|&lt;i&gt;a&lt;/i&gt; &amp; b|action,Join"}));
    }

  private:
    void startService(QStringList arguments) {
        QFile::remove(file());
        service_.start(arguments << file());
        QVERIFY(service_.ready);
    }

    void stopService() {
        if (service_.ended()) {
            return;
        }
        service_.stop();
        // The bus frees the name when the stand-in's connection ends.
        QTRY_VERIFY_WITH_TIMEOUT(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     "org.freedesktop.Notifications"),
                                 5000);
    }

    static void invoke(uint id, const QString& key) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
            "org.freedesktop.Notifications", "InvokeAction");
        call << id << key;
        QDBusConnection::sessionBus().call(call);
    }

    QString file() const { return dir_.filePath("notified"); }

    QStringList lines() const {
        QFile in(file());
        if (!in.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(in.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir_;
    zerlin::test::gui::StandinProcess service_{ZERLIN_NOTIFICATION_STANDIN};
};

}  // namespace

QTEST_MAIN(NotifierActionTest)
#include "notifier_action_test.moc"
