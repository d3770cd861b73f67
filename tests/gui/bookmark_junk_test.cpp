// Bookmark files of binary junk opened into the real main window: the list holds what the
// file held, a save writes it back without losing a byte of it, and picking any of its rows
// and joining never starts a script with what the IP and port boxes may not hold.

#include <QApplication>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bookmarks/module2.h"
#include "mainwindow/launch_rules.h"
#include "window_harness.h"

using namespace zerlin;
using namespace zerlin::test;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Random bytes with a line end about once in lineEvery bytes, and colons and NUL bytes as often.
std::string junk(std::size_t size, quint32 seed, int lineEvery) {
    QRandomGenerator random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        const quint32 pick = random.bounded(lineEvery * 2);
        const char other = static_cast<char>(random.bounded(256));
        byte = pick == 0                        ? '\r'
               : pick == 1                      ? '\n'
               : pick == 2                      ? ':'
               : pick == 3                      ? '\0'
               : other == '\r' || other == '\n' ? 'x'
                                                : other;
    }
    return bytes;
}

}  // namespace

class BookmarkJunkTest : public QObject {
    Q_OBJECT

  private slots:
    void junkFilesLoseNothingAndJoinNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        for (quint32 seed = 1; seed <= 6; ++seed) {
            const std::string bytes = junk(4000, seed, 30);
            QTest::addRow("junk %u", seed) << QByteArray::fromStdString(bytes);
        }
        QTest::newRow("NUL bytes only") << QByteArray(5000, '\0');
        QTest::newRow("NUL lines") << QByteArray("\0\0\r\n:\0:\0\0\0\0\0\r\n\0", 14);
        QTest::newRow("one long line") << QByteArray::fromStdString(junk(200 * 1024, 7, 1 << 20));
    }

    void junkFilesLoseNothingAndJoinNothing() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string opened = dir.filePath("junk.sbk").toStdString();
        const std::string saved = dir.filePath("saved.sbk").toStdString();
        const std::string game = dir.filePath("BF1942.exe").toStdString();
        put(opened, bytes.toStdString());

        // What the core alone makes of the file.
        FakeListBox expected;
        const Status read = LoadBookmarkFile(opened, expected);
        QVERIFY2(read.ok(), read.error().c_str());

        gui::WindowHarness w;
        auto& [window, controls, settings, dialog, messages, input, launcher, program, options,
               form, ended] = w;
        auto* list = window.findChild<QListWidget*>("List1");
        QVERIFY(list);

        dialog.answers = {opened, saved};
        form.open();
        QVERIFY(messages.shown.empty());
        QCOMPARE(controls.List1.count(), expected.count());
        for (int i = 0; i < expected.count(); ++i)
            QCOMPARE(controls.List1.row(i), expected.rows[static_cast<std::size_t>(i)]);

        form.save();
        QVERIFY(messages.shown.empty());
        QVERIFY(WriteBookmarkFile(dir.filePath("expected.sbk").toStdString(), expected));
        QCOMPARE(slurp(saved), slurp(dir.filePath("expected.sbk").toStdString()));
        FakeListBox again;
        QVERIFY(LoadBookmarkFile(saved, again));
        QCOMPARE(again.rows, expected.rows);

        // Every row picked into the real boxes and joined.
        controls.Text1.setText(game);
        for (int i = 0; i < list->count(); ++i) {
            list->setCurrentRow(i);
            form.pick();
            const std::string ip = controls.Text2.text();
            const std::string port = controls.Text3.text();
            const std::size_t before = launcher.started.size();
            messages.shown.clear();
            form.join();
            const bool allowed = !ip.empty() && !port.empty() && launch::isAllowedServerText(ip) &&
                                 launch::isAllowedServerText(port);
            QCOMPARE(launcher.started.size(), before + (allowed ? 1 : 0));
            QCOMPARE(messages.shown.size(), std::size_t{allowed ? 0u : 1u});
        }
        QVERIFY(settings.writes.empty());
    }
};

QTEST_MAIN(BookmarkJunkTest)

#include "bookmark_junk_test.moc"
