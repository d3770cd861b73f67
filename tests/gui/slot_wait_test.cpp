// Waiting for a slot in the real window, against stand-in game servers whose answers change
// over time and a stand-in notification service on a private session bus.

#include <QContextMenuEvent>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/status/slot_waiting.h"
#include "app/status/status_wiring.h"
#include "app/status_network.h"
#include "bookmarks/bookmark_entry.h"
#include "platform/qt/click_label.h"
#include "platform/qt/qt_desktop.h"
#include "standin_process.h"
#include "window_harness.h"

namespace {

using namespace zerlin;

struct FakeClipboard : Clipboard {
    void setText(const std::string& text) override { this->text = text; }
    std::string text;
};

// The stand-in servers of this test, each on a loopback address it finds free at the game's
// query port (hosts, in this order). Each row names its server by its scenario.
const char* const kServers[] = {
    "127.*.*.*:23000:one,players=3,max=32",            // free at once
    "127.*.*.*:23000:full-then-free,max=32,after=9",   // joined when it frees
    "127.*.*.*:23000:full-then-free,max=32,after=3",   // waits stopped, deleted, reopened
    "127.*.*.*:23000:silent-then-up,max=32,after=14",  // told when up
};
const char* const kRowNames[] = {"Free now", "Frees soon", "Frees early", "Comes up"};
std::vector<std::string> hosts;

class SlotWaitTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // The notification service first: the bus must know it before anything is sent.
        notifications_.start({dir_.filePath("notified")});
        QVERIFY(notifications_.ready);
        QStringList servers = {"--seconds", "60"};
        for (const char* server : kServers) {
            servers << server;
        }
        for (const QString& address : standIn_.start(servers)) {
            hosts.push_back(test::gui::hostOf(address));
        }
        QCOMPARE(hosts.size(), std::size(kServers));
        clock_.start();
    }

    void waitsJoinsAndTells() {
        test::gui::WindowHarness w;
        FakeClipboard clipboard;
        qt::QtNotifier notifier;
        qt::QtModalState modal;
        app::StatusNetwork network(true);
        app::SlotWaiting waiting(w.window, w.form, notifier, clipboard, modal, network.service(),
                                 [&w](const std::function<void()>& command) {
                                     try {
                                         command();
                                     } catch (const test::ProgramEnded&) {
                                         w.ended = true;
                                     }
                                 });
        for (int i = 0; i < 4; ++i) {
            w.controls.List1.append(
                makeBookmarkEntry(kRowNames[i], hosts[static_cast<std::size_t>(i)], "14567"));
        }
        w.window.show();
        QListWidget& list = *w.window.List1;

        // The menu of a row with no answer yet, opened by a right click on the row.
        QCOMPARE(menuOf(list, 0),
                 (QStringList{"Join when a slot frees", "Tell me when it is up", "Copy link"}));
        choose("Copy link");
        QCOMPARE(clipboard.text, "zerlin:" + hosts[0] + ":14567");

        // A free server is joined at once, through the join's checks: no game path, no start.
        openMenu(list, 0);
        choose("Join when a slot frees");
        QTRY_COMPARE_WITH_TIMEOUT(w.messages.shown,
                                  std::vector<std::string>{"The path isn't correct!"}, 3000);
        QCOMPARE(w.controls.Text2.text(), hosts[0]);
        QCOMPARE(w.controls.Text3.text(), std::string("14567"));
        QVERIFY(w.launcher.started.empty());
        QCOMPARE(notified(), QStringList{"Zerlin|A slot is free on Free now: joining."});

        QVERIFY(QFile(dir_.filePath("BF1942.exe")).open(QIODevice::WriteOnly));
        w.controls.Text1.setText(dir_.filePath("BF1942.exe").toStdString());

        // Waits that end before their server frees: stopped, the row deleted, the list opened.
        openMenu(list, 2);
        choose("Join when a slot frees");
        QCOMPARE(waiting.watch().row(), 2);
        QVERIFY(!list.item(2)->data(app::Form1Window::WaitingRole).toString().isEmpty());
        QCOMPARE(menuOf(list, 2).count("Stop waiting"), 1);
        choose("Stop waiting");
        QCOMPARE(waiting.watch().row(), std::nullopt);
        QVERIFY(list.item(2)->data(app::Form1Window::WaitingRole).isNull());

        openMenu(list, 2);
        choose("Join when a slot frees");
        list.setCurrentRow(2);
        QTest::mouseClick(&w.widget("Image8"), Qt::LeftButton);  // DELETE
        QCOMPARE(list.count(), 3);
        QCOMPARE(waiting.watch().row(), std::nullopt);

        const QString file = dir_.filePath("servers.txt");
        {
            std::ofstream out(file.toStdString(), std::ios::binary);
            for (int i = 0; i < list.count(); ++i) {
                out << list.item(i)->text().toStdString() << "\r\n";
            }
        }
        // The menu key opens the selected row's menu.
        list.setCurrentRow(1);
        QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              list.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&list, &key);
        QVERIFY(activeMenu() != nullptr);
        choose("Join when a slot frees");
        QCOMPARE(waiting.watch().row(), 1);
        w.fileDialog.answers.push_back(file.toStdString());
        QTest::mouseClick(&w.widget("Image6"), Qt::LeftButton);  // OPEN
        QCOMPARE(list.count(), 3);
        QCOMPARE(waiting.watch().row(), std::nullopt);

        // The server that frees at 9 s: asked every 5 s, joined once when a slot is free.
        openMenu(list, 1);
        choose("Join when a slot frees");
        QTRY_VERIFY_WITH_TIMEOUT(!w.launcher.started.empty(), 16000);
        QVERIFY2(clock_.elapsed() >= 8000, "not joined while the server was full");
        QCOMPARE(w.controls.Text2.text(), hosts[1]);
        QCOMPARE(notified(), (QStringList{"Zerlin|A slot is free on Free now: joining.",
                                          "Zerlin|A slot is free on Frees soon: joining."}));

        // A silent server: one notification when it is up, no join.
        QVERIFY(menuOf(list, 2).contains("Tell me when it is up"));
        choose("Tell me when it is up");
        QTRY_COMPARE_WITH_TIMEOUT(notified().size(), 3, 12000);
        QCOMPARE(notified().last(), QString("Zerlin|Comes up is up."));
        QTest::qWait(5500);
        QCOMPARE(notified().size(), 3);
        QCOMPARE(w.launcher.started.size(), std::size_t{1});
        QCOMPARE(w.messages.shown.size(), std::size_t{1});
    }

    // With the list's status at hand, "Tell me when it is up" is offered only for a server that
    // has not answered.
    void tellsOnlyForServersNotUp() {
        test::gui::WindowHarness w;
        FakeClipboard clipboard;
        qt::QtNotifier notifier;
        qt::QtModalState modal;
        app::StatusNetwork network(true);
        app::SlotWaiting waiting(w.window, w.form, notifier, clipboard, modal, network.service());
        app::StatusWiring status(w.window, w.controls.List1, network.service());
        w.controls.List1.append(makeBookmarkEntry("Up", hosts[0], "14567"));
        w.controls.List1.append(makeBookmarkEntry("No address", "//" + hosts[0], "14567"));
        w.window.show();
        status.start();
        QVERIFY(test::gui::waitFor([&] { return status.idle(); }, 5000));
        QListWidget& list = *w.window.List1;
        QCOMPARE(menuOf(list, 0), (QStringList{"Join when a slot frees", "Copy link"}));
        activeMenu()->close();
        QVERIFY(menuOf(list, 1).contains("Tell me when it is up"));
        activeMenu()->close();
    }

  private:
    static QMenu* activeMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

    // A right click on the row: the press, then the context menu event the platform sends.
    static void openMenu(QListWidget& list, int row) {
        const QPoint at = list.visualItemRect(list.item(row)).center();
        QTest::mousePress(list.viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(list.viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list.viewport()->mapToGlobal(at));
        QApplication::sendEvent(list.viewport(), &event);
    }

    static QStringList menuOf(QListWidget& list, int row) {
        openMenu(list, row);
        QStringList texts;
        if (QMenu* menu = activeMenu()) {
            for (QAction* action : menu->actions()) {
                texts << action->text();
            }
        }
        return texts;
    }

    static void choose(const QString& text) {
        QMenu* menu = activeMenu();
        QVERIFY(menu != nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                menu->close();
                action->trigger();
                return;
            }
        }
        QFAIL(qPrintable("no menu item " + text));
    }

    QStringList notified() const {
        QFile file(dir_.filePath("notified"));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir_;
    test::gui::StandinProcess standIn_{ZERLIN_STATUS_STANDIN};
    test::gui::StandinProcess notifications_{ZERLIN_NOTIFICATION_STANDIN};
    QElapsedTimer clock_;
};

}  // namespace

QTEST_MAIN(SlotWaitTest)
#include "slot_wait_test.moc"
