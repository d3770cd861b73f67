// Desktop messages against a stand-in notification service on a private session bus that
// takes each message and never answers, as a hung service does: the window must not wait.

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <string>

#include "platform/qt/qt_desktop.h"
#include "standin_process.h"

namespace {

QStringList linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

class NotifierTest : public QObject {
    Q_OBJECT

  private slots:
    void aServiceThatNeverAnswersDoesNotStopTheWindow() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString received = dir.filePath("notified");
        zerlin::test::gui::StandinProcess service(ZERLIN_NOTIFICATION_STANDIN);
        service.start({"--never-answer", received});
        QVERIFY(service.ready);

        QElapsedTimer clock;
        {
            zerlin::qt::QtNotifier notifier;
            clock.start();
            for (int i = 0; i < 3; ++i)
                notifier.notify("Zerlin", "message " + std::to_string(i));
            // Waiting for each answer would take the reply's time limit, a second, each.
            const qint64 spent = clock.elapsed();
            QVERIFY2(spent < 1500, qPrintable(QString::number(spent) + " ms to send"));
            QTRY_COMPARE_WITH_TIMEOUT(
                linesOf(received),
                (QStringList{"Zerlin|message 0", "Zerlin|message 1", "Zerlin|message 2"}), 5000);
            clock.restart();
        }
        // Ending waits for the unanswered messages no longer than their time limit.
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed()) + " ms"));
    }
};

}  // namespace

QTEST_MAIN(NotifierTest)
#include "notifier_test.moc"
