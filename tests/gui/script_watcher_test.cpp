// The script watcher's deadline, on a clock the test moves: a script that nothing read is
// deleted once the longest wait has passed since its last start, and not a moment before.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <string>
#include <vector>

#include "doubles/doubles.h"
#include "platform/qt/script_watcher.h"

using namespace zerlin;
using namespace std::chrono;

class ScriptWatcherTest : public QObject {
    Q_OBJECT

  private slots:
    void scriptGoesWhenReadOrAtTheDeadline_data() {
        QTest::addColumn<bool>("read");         // the interpreter read the script
        QTest::addColumn<int>("startedAgain");  // seconds after the first start; 0: never
        QTest::addColumn<int>("discarded");     // seconds after the first start
        QTest::addColumn<int>("gone");          // seconds after the first start
        QTest::newRow("unread, discarded at once") << false << 0 << 0 << 60;
        QTest::newRow("unread, discarded just before") << false << 0 << 59 << 60;
        QTest::newRow("unread, discarded after the deadline") << false << 0 << 75 << 75;
        QTest::newRow("unread, started again") << false << 30 << 31 << 90;
        QTest::newRow("read") << true << 0 << 1 << 1;
    }

    void scriptGoesWhenReadOrAtTheDeadline() {
        QFETCH(bool, read);
        QFETCH(int, startedAgain);
        QFETCH(int, discarded);
        QFETCH(int, gone);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString script = dir.filePath("run.bat");
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("exit\r\n") > 0);
        }
        test::FakeClock clock{seconds(1)};
        test::FakeTimer time{clock};
        std::vector<std::string> removed;
        qt::ScriptWatcher watcher([&removed](const std::string& path) { removed.push_back(path); },
                                  clock, time);
        const microseconds start = clock.now();
        const auto at = [start](int second) { return start + seconds(second); };

        watcher.watch(script.toStdString());
        if (startedAgain > 0) {
            time.runUntil(at(startedAgain));
            watcher.watch(script.toStdString());
        }
        if (read) {
            QFile file(script);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY(!file.readAll().isEmpty());
        }
        time.runUntil(at(discarded));
        watcher.discard(script.toStdString());
        if (gone > discarded) {
            time.runUntil(at(gone) - microseconds(1));
            QVERIFY(removed.empty());
        }
        time.runUntil(at(gone));
        QCOMPARE(removed, std::vector<std::string>{script.toStdString()});
        // Once deleted, the deadline deletes nothing more.
        time.runFor(hours(1));
        QCOMPARE(removed.size(), std::size_t{1});
    }
};

QTEST_GUILESS_MAIN(ScriptWatcherTest)
#include "script_watcher_test.moc"
